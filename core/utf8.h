#pragma once
// Wide text to UTF-8, the one home of the conversion: files are written as
// UTF-8 from the wide texts the program shows. No allocation and no length
// limit: the bytes go to the caller's sink in bounded chunks.
//
// wchar_t is UTF-16 on Windows and UTF-32 elsewhere; both are read correctly.
// A code unit that is not part of a valid character (a lone surrogate, a
// value above U+10FFFF) is written as U+FFFD.

#include <cstddef>

// Receives one chunk of bytes; returns false to stop the conversion.
using Utf8Sink = bool (*)(const char* bytes, std::size_t count, void* context);

// Converts length wide characters of text and hands the bytes to sink.
// Returns false when the sink refused a chunk.
bool write_utf8(const wchar_t* text, std::size_t length, Utf8Sink sink, void* context);

// The sink that appends each chunk to the std::string context points to.
bool append_to_string(const char* bytes, std::size_t count, void* context);

// True when the bytes are well-formed UTF-8: shortest forms only, no
// surrogates, nothing above U+10FFFF. A sequence cut off by the end of the
// bytes counts as malformed.
bool is_valid_utf8(const unsigned char* bytes, std::size_t count);
