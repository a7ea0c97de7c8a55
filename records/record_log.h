#pragma once
// The CSV record log, portable half: the record folder and file names, the
// header and row of a save, and the exact bytes one save appends to the file.
// The save itself (records/append_record.cpp) only adds the Win32 calls: the
// application-data folder, the local time and the file.
//
// File format: UTF-8; a new file begins with EF BB BF and the header line (a
// file that a spreadsheet saved again in the ANSI code page keeps that code
// page);
// one row per save; every line ends in CR LF; fields are separated by commas.
// A field holding a comma, a double quote, CR or LF is written as a quoted
// field (RFC 4180: surrounding double quotes, inner double quotes doubled);
// every other field is written as it stands.

#include <cstddef>

#include "core/evaluate.h"
#include "core/suite_names.h"
#include "core/tool.h"

// The record folder under the local application-data folder, shared by every
// tool of the suite.
inline constexpr wchar_t RECORD_FOLDER_NAME[] = L"" KALDRIN_SUITE_DATA_FOLDER "\\" KALDRIN_SUITE_RECORDS_FOLDER;

// Capacities in wide characters, terminator included.
constexpr int RECORD_FOLDER_CAPACITY = 260;   // "%ls\NoltMedSuite\records"
constexpr int RECORD_PATH_CAPACITY = 520;     // "%ls\T%03d.csv"
constexpr int RECORD_HEADER_CAPACITY = 512;   // the whole header line
constexpr int RECORD_FIELD_CAPACITY = 128;    // one input or header field with its leading comma
// The longest result a row holds whole: as much as an evaluation's result.
constexpr int RECORD_RESULT_CAPACITY = RESULT_TEXT_CAPACITY;
// The longest tool name a row is sure to hold.
constexpr int RECORD_NAME_CAPACITY = 128;

// A field's text of n characters as the row writes it at most: quoted, with
// every character a doubled quote.
constexpr int record_quoted_room(int n) {
    return 2 * n + 2;
}

// The whole row: room for the time, a name of RECORD_NAME_CAPACITY, every
// input's field and the longest result, each quoted and doubled throughout,
// and the line end. Only a longer name can make a row too long.
constexpr int RECORD_ROW_CAPACITY = 19 + 1 + record_quoted_room(RECORD_NAME_CAPACITY - 1) +
                                    MAX_TOOL_VALUES * (1 + record_quoted_room(RECORD_FIELD_CAPACITY - 2)) + 1 +
                                    record_quoted_room(RECORD_RESULT_CAPACITY - 1) + 2 + 1;

// Local date and time of a save.
struct RecordTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

// True for a Windows path that names one place whatever the current drive
// and folder are: "X:\..." or a UNC path "\\server\...".
bool is_absolute_windows_path(const wchar_t* path);

// The record folder under the local application-data folder. Returns its
// length, or -1 (folder empty) when app_data is missing or not an absolute
// path, or when the folder's name does not fit in the capacity.
int make_record_folder(const wchar_t* app_data, wchar_t* folder, int capacity);

// The record file of a tool in a folder, "T%03d.csv". Returns its length, or
// -1 (path empty) when it does not fit in the capacity.
int make_record_path(const wchar_t* folder, int tool_id, wchar_t* path, int capacity);

// The header line, CR LF included. Returns its length, or -1 (header empty)
// when it does not fit in the capacity.
int make_record_header(const ToolDef* tool, wchar_t* header, int capacity);

// The row of one save, CR LF included: the time, the tool's name, one
// "label=value" field per input (value as "%g") and the whole result text on
// one line (CR dropped, LF made a blank; never shortened). Returns its
// length, or -1 (row empty) when it does not fit.
int make_record_row(const ToolDef* tool, const RecordTime& time, const double* input_values,
                    const wchar_t* detail_text, wchar_t* row, int capacity);

// What has to go before the row, judged from what the file holds already.
enum RecordLead {
    RECORD_LEAD_NONE,             // the file ends with a complete line
    RECORD_LEAD_BOM_AND_HEADER,   // the file holds no header line: it is written anew from byte 0
    RECORD_LEAD_LINE_BREAK,       // the file's last line is unfinished
};

// The encoding rows are appended in: the one the file already uses.
enum RecordEncoding {
    RECORD_ENCODING_UTF8,
    RECORD_ENCODING_ANSI,         // the system's ANSI code page: a file a spreadsheet saved without BOM
};

struct RecordPlan {
    RecordLead lead;
    RecordEncoding encoding;
};

// How many bytes at the file's start and at its end a save reads to plan its
// write. Only a file that is blank from its start on is read further, in
// chunks of RECORD_BLANK_CHUNK bytes, as far as it stays blank and no further
// than RECORD_BLANK_READ_LIMIT, since the window answers no message while a
// save reads: twice the CR LF of a spreadsheet's most rows (1048576), and a
// moment's read even from a slow share.
constexpr int RECORD_HEAD_CAPACITY = 4096;
constexpr int RECORD_TAIL_CAPACITY = 4096;
constexpr int RECORD_BLANK_CHUNK = 65536;
constexpr long long RECORD_BLANK_READ_LIMIT = 4LL * 1024 * 1024;

// Reads count bytes of the file at offset into buffer; false when it cannot.
using RecordReader = bool (*)(long long offset, unsigned char* buffer, int count, void* context);

enum RecordPlanResult {
    RECORD_PLAN_OK,
    RECORD_PLAN_READ_FAILED,      // the plan is not to be used
    RECORD_PLAN_UTF16,            // UTF-16 or UTF-32 text: nothing is appended
    RECORD_PLAN_BLANK_TOO_LONG,   // blank as far as the limit: never written anew unread
};

// Plans a save into a file of size bytes, read through read.
//   - A file that holds no header line (empty, or nothing but a UTF-8
//     byte-order mark, CR, LF, blanks and tabs, as a spreadsheet leaves one
//     whose cells were cleared) is written anew: byte-order mark, header and
//     row, in UTF-8. One that is still blank at RECORD_BLANK_READ_LIMIT and
//     goes on is refused: what lies beyond was never read.
//   - A file that begins with a UTF-16 byte-order mark is refused.
//   - A file that begins with the UTF-8 byte-order mark is UTF-8. Any other
//     file is judged by the bytes read, its first RECORD_HEAD_CAPACITY and
//     its last RECORD_TAIL_CAPACITY bytes (the header and the newest rows):
//     UTF-8 when they hold other than ASCII and all of it is well-formed
//     UTF-8, the ANSI code page otherwise. A character cut by the edge of what was read,
//     or cut short at the file's very end where a line was left unfinished,
//     is no evidence either way.
//   - The row goes after a line break when the file's last line is
//     unfinished.
RecordPlanResult plan_record(long long size, RecordReader read, void* context, RecordPlan* plan);

// Bytes of the longest save: the byte-order mark, a header, a line break and
// a row, at most four UTF-8 bytes per wide character.
constexpr std::size_t RECORD_BYTES_CAPACITY =
    3 + 4 * static_cast<std::size_t>(RECORD_HEADER_CAPACITY - 1) + 2 +
    4 * static_cast<std::size_t>(RECORD_ROW_CAPACITY - 1);

struct RecordBytes {
    char data[RECORD_BYTES_CAPACITY];
    std::size_t size;
};

enum RecordBuild {
    RECORD_BUILD_OK,
    RECORD_BUILD_ROW_TOO_LONG,
    RECORD_BUILD_HEADER_TOO_LONG,
    RECORD_BUILD_NOT_ENCODABLE,   // a character has no exact form in the file's encoding
};

// Appends a wide text in one encoding to the bytes. Returns false when a
// character has no exact form in that encoding or the bytes do not fit;
// what it appended is then discarded by the caller.
using RecordEncoder = bool (*)(const wchar_t* text, int length, RecordBytes* bytes);

// The UTF-8 encoder.
bool encode_record_utf8(const wchar_t* text, int length, RecordBytes* bytes);

// The bytes one save writes: what the lead asks for (the byte-order mark and
// the header are written for RECORD_LEAD_BOM_AND_HEADER, which comes with
// UTF-8), then the row, through the encoder, whole. On anything but
// RECORD_BUILD_OK, bytes->size is 0: nothing may be written, since a file
// must never begin with a row or hold half a line.
RecordBuild build_record_bytes(const ToolDef* tool, const RecordTime& time, const double* input_values,
                               const wchar_t* detail_text, RecordLead lead, RecordEncoder encode,
                               RecordBytes* bytes);
