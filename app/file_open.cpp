#include "app/file_open.h"

#include <cstddef>
#include <cstring>

#include "core/text.h"
#include "core/utf8.h"

#ifdef _WIN32

#include <share.h>

// Opened like fopen opens (other programs may read and write the file too),
// through the wide-path call that no compiler marks as deprecated.
std::FILE* open_file(const wchar_t* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    wchar_t wide_mode[8];
    text_widen(wide_mode, 8, mode);
    return _wfsopen(path, wide_mode, _SH_DENYNO);
}

#else

namespace {

constexpr std::size_t NARROW_PATH_CAPACITY = 4096;

struct NarrowPath {
    char text[NARROW_PATH_CAPACITY];
    std::size_t length;
};

bool append_bytes(const char* bytes, std::size_t count, void* context) {
    NarrowPath* path = static_cast<NarrowPath*>(context);
    if (count > NARROW_PATH_CAPACITY - 1 - path->length) return false;
    std::memcpy(path->text + path->length, bytes, count);
    path->length += count;
    return true;
}

}  // namespace

std::FILE* open_file(const wchar_t* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    NarrowPath narrow;
    narrow.length = 0;
    if (!write_utf8(path, static_cast<std::size_t>(text_length(path)), append_bytes, &narrow)) {
        return nullptr;
    }
    narrow.text[narrow.length] = '\0';
    return std::fopen(narrow.text, mode);
}

#endif
