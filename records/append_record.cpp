// The save: appends one row to a tool's CSV record file under the user's
// local application-data folder, and says how that went.
//
// A save is saved only when every byte of it reached the file; any other
// outcome names its cause: a file another program holds, a file in an
// encoding that cannot hold the row, no application-data folder, a path too
// long, a folder that cannot be made or written, a full disk, a row too long,
// or any other failure.
//
// One save is one synchronous call on the window's thread, and it lets no
// message in: it opens the file for itself alone, shared with readers only,
// so another copy in this or another session, another PC through a share or
// any program that writes the file meets a sharing violation and tries again
// (and so does this save, for HELD_RETRY_MS); it reads what the plan needs,
// writes the byte-order mark and header when the file has none and the row
// in one write, flushes and closes. The file is never deleted: another
// program may have it open.

#include "records/append_record.h"

#include <windows.h>
#include <shlobj.h>

#include "core/text.h"
#include "records/record_log.h"

namespace {

// A file another program holds for a moment (as a virus scanner opens one
// right after it was written, or another copy saves into it) is tried again
// for this long, in steps of this length: the window answers nothing
// meanwhile, far less than the five seconds after which Windows shows it as
// not responding.
constexpr DWORD HELD_RETRY_MS = 1000;
constexpr DWORD HELD_RETRY_STEP_MS = 50;

// Shown in place of the application-data folder when it is unknown: the user
// still learns which file the save was meant for.
const wchar_t UNKNOWN_APP_DATA[] = L"%LOCALAPPDATA%";

// ERROR_DISK_QUOTA_EXCEEDED of the Windows headers, which mingw-w64's lack:
// a write beyond the user's storage quota.
constexpr DWORD DISK_QUOTA_EXCEEDED = 1295;

// The cause of a failed file call, by its Windows error.
SaveOutcome outcome_of_error(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return SaveOutcome::held;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case DISK_QUOTA_EXCEEDED:
    case ERROR_NOT_ENOUGH_QUOTA:
        return SaveOutcome::disk_full;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return SaveOutcome::denied;
    case ERROR_FILENAME_EXCED_RANGE:
        return SaveOutcome::path_too_long;
    default:
        return SaveOutcome::failed;
    }
}

// The error of the call that just failed, never ERROR_SUCCESS.
DWORD last_error() {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

// Creates the folder with all its missing parents, one backslash at a time
// from past the drive prefix. Failures of the parents, above all for folders
// that exist already, are left to the open that follows. Returns the error
// of making the folder itself: ERROR_SUCCESS when it was made or exists.
DWORD create_folder_chain(const wchar_t* folder) {
    wchar_t part[RECORD_FOLDER_CAPACITY];
    int length = text_length(folder);
    for (int i = 3; i < length; ++i) {
        if (folder[i] != L'\\') continue;
        text_copy(part, i + 1, folder);
        CreateDirectoryW(part, nullptr);
    }
    if (CreateDirectoryW(folder, nullptr)) return ERROR_SUCCESS;
    DWORD error = last_error();
    return error == ERROR_ALREADY_EXISTS ? ERROR_SUCCESS : error;
}

OVERLAPPED at_offset(long long offset) {
    OVERLAPPED where = {};
    where.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFULL);
    where.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
    return where;
}

// Reads count bytes of the file at offset; returns the error, ERROR_HANDLE_EOF
// when the file ends before them.
DWORD read_at(HANDLE file, long long offset, unsigned char* buffer, int count) {
    if (count < 0) return ERROR_INVALID_PARAMETER;
    OVERLAPPED where = at_offset(offset);
    DWORD got = 0;
    if (!ReadFile(file, buffer, static_cast<DWORD>(count), &got, &where)) return last_error();
    return got == static_cast<DWORD>(count) ? ERROR_SUCCESS : ERROR_HANDLE_EOF;
}

// The file a save plans from, and the error of its failed read.
struct PlanReading {
    HANDLE file;
    DWORD error;
};

// The RecordReader of the plan.
bool read_for_plan(long long offset, unsigned char* buffer, int count, void* context) {
    PlanReading* reading = static_cast<PlanReading*>(context);
    reading->error = read_at(reading->file, offset, buffer, count);
    return reading->error == ERROR_SUCCESS;
}

// Writes all bytes at the offset, or at the file's current end when offset
// is -1 (an offset of all ones asks Windows for the end at the moment of the
// write). Returns the error.
DWORD write_at(HANDLE file, long long offset, const char* data, std::size_t count) {
    OVERLAPPED where = offset < 0 ? OVERLAPPED{} : at_offset(offset);
    if (offset < 0) {
        where.Offset = 0xFFFFFFFF;
        where.OffsetHigh = 0xFFFFFFFF;
    }
    DWORD written = 0;
    if (!WriteFile(file, data, static_cast<DWORD>(count), &written, &where)) return last_error();
    // A disk file takes fewer bytes than it was given only when it has no
    // room for more.
    return written == count ? ERROR_SUCCESS : ERROR_DISK_FULL;
}

DWORD flush(HANDLE file) {
    return FlushFileBuffers(file) ? ERROR_SUCCESS : last_error();
}

DWORD set_length(HANDLE file, long long length) {
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = length;
    return SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end) ? ERROR_SUCCESS : last_error();
}

// Rows for a file in the ANSI code page: converted exactly or not at all
// (no best-fit look-alikes, no '?' for a character the code page lacks).
bool encode_record_ansi(const wchar_t* text, int length, RecordBytes* bytes) {
    if (length <= 0) return length == 0;
    UINT code_page = GetACP();
    if (code_page == CP_UTF8) return encode_record_utf8(text, length, bytes);
    std::size_t room = RECORD_BYTES_CAPACITY - bytes->size;
    if (room > 0x7FFFFFFF) room = 0x7FFFFFFF;
    BOOL used_default = FALSE;
    int n = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, text, length, bytes->data + bytes->size,
                                static_cast<int>(room), nullptr, &used_default);
    if (n <= 0 || used_default) return false;
    bytes->size += static_cast<std::size_t>(n);
    return true;
}

// Writes a file anew from byte 0, or puts it back as it was; returns the
// error. Only a file without a header line is written anew, and the bytes it
// held beyond the new ones are only cut off once the new ones are on the
// disk, so that the file can always be put back: its first bytes from the
// copy kept here, the rest (however long a blank file is) by never having
// been touched.
DWORD write_anew(HANDLE file, long long size, const RecordBytes& bytes) {
    static unsigned char kept[RECORD_BYTES_CAPACITY];
    long long new_size = static_cast<long long>(bytes.size);
    int kept_count = static_cast<int>(size < new_size ? size : new_size);
    if (kept_count > 0) {
        DWORD error = read_at(file, 0, kept, kept_count);
        if (error != ERROR_SUCCESS) return error;
    }
    DWORD error = write_at(file, 0, bytes.data, bytes.size);
    if (error == ERROR_SUCCESS) error = flush(file);
    if (error == ERROR_SUCCESS && size > new_size) {
        error = set_length(file, new_size);
        // The row is on the disk already; should the shorter length not
        // reach it, the file ends in the blank lines it had, still whole.
        if (error == ERROR_SUCCESS) FlushFileBuffers(file);
    }
    if (error != ERROR_SUCCESS) {
        write_at(file, 0, reinterpret_cast<const char*>(kept), static_cast<std::size_t>(kept_count));
        if (size < new_size) set_length(file, size);
        FlushFileBuffers(file);
    }
    return error;
}

// Appends at the file's end, or cuts the file back to the length it had;
// returns the error.
DWORD append_at_end(HANDLE file, long long size, const RecordBytes& bytes) {
    // Bytes that only reach the disk when flushed can fail there too.
    DWORD error = write_at(file, -1, bytes.data, bytes.size);
    if (error == ERROR_SUCCESS) error = flush(file);
    if (error != ERROR_SUCCESS) {
        set_length(file, size);
        FlushFileBuffers(file);
    }
    return error;
}

// Opens the record file for this save alone: shared with readers, never with
// another writer, so that no other save or program writes it until it is
// closed. A file that another program (or another copy's save) holds, a
// sharing or lock violation, is tried again for HELD_RETRY_MS. On failure
// GetLastError tells why.
HANDLE open_record_file(const wchar_t* path) {
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD error = last_error();
        DWORD elapsed = GetTickCount() - start;
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || elapsed >= HELD_RETRY_MS) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        DWORD left = HELD_RETRY_MS - elapsed;
        Sleep(left < HELD_RETRY_STEP_MS ? left : HELD_RETRY_STEP_MS);
    }
}

// What one save writes.
struct SavedResult {
    const ToolDef* tool;
    const double* input_values;
    const wchar_t* result_text;
    RecordTime time;
};

// One save into the open file. What the file holds decides what the save
// writes (see plan_record): a file without a header line is written anew
// from byte 0; otherwise the row (after a line break that ends an unfinished
// last line) goes to the end, in the file's own encoding. A file in UTF-16,
// or one blank further than the plan reads, is left alone.
//
// A write that fails or falls short (a full disk, a quota) is undone through
// the same handle, so the file is byte for byte what it was.
SaveOutcome write_record(HANDLE file, const SavedResult& saved) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size)) return outcome_of_error(last_error());
    PlanReading reading = {file, ERROR_SUCCESS};
    RecordPlan plan = {RECORD_LEAD_NONE, RECORD_ENCODING_UTF8};
    switch (plan_record(size.QuadPart, read_for_plan, &reading, &plan)) {
    case RECORD_PLAN_OK:
        break;
    case RECORD_PLAN_READ_FAILED:
        return outcome_of_error(reading.error);
    case RECORD_PLAN_UTF16:
        return SaveOutcome::utf16;
    case RECORD_PLAN_BLANK_TOO_LONG:
        return SaveOutcome::blank_too_long;
    }

    static RecordBytes bytes;
    RecordEncoder encode = plan.encoding == RECORD_ENCODING_ANSI ? encode_record_ansi : encode_record_utf8;
    switch (build_record_bytes(saved.tool, saved.time, saved.input_values, saved.result_text, plan.lead, encode,
                               &bytes)) {
    case RECORD_BUILD_OK:
        break;
    case RECORD_BUILD_ROW_TOO_LONG:
    case RECORD_BUILD_HEADER_TOO_LONG:
        return SaveOutcome::too_long;
    case RECORD_BUILD_NOT_ENCODABLE:
        return SaveOutcome::not_encodable;
    }
    DWORD error = plan.lead == RECORD_LEAD_BOM_AND_HEADER ? write_anew(file, size.QuadPart, bytes)
                                                          : append_at_end(file, size.QuadPart, bytes);
    return error == ERROR_SUCCESS ? SaveOutcome::saved : outcome_of_error(error);
}

}  // namespace

SaveOutcome append_record(const ToolDef* tool, const double* input_values, const wchar_t* result_text,
                          wchar_t* path, int path_capacity) {
    // The path is made in room enough for a folder too long to be used, so
    // that the failure still names the file it was meant for.
    wchar_t app_data[MAX_PATH + 1] = {};
    bool known = SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data) == S_OK;
    // A path that is not absolute would put the records relative to the
    // current drive or folder: such a folder counts as unknown.
    known = known && is_absolute_windows_path(app_data);
    wchar_t folder[RECORD_PATH_CAPACITY];
    if (!known) {
        text_format(folder, RECORD_PATH_CAPACITY, L"%ls\\%ls", UNKNOWN_APP_DATA, RECORD_FOLDER_NAME);
        make_record_path(folder, tool->id, path, path_capacity);
        return SaveOutcome::no_app_data;
    }
    int folder_length = make_record_folder(app_data, folder, RECORD_PATH_CAPACITY);
    if (make_record_path(folder, tool->id, path, path_capacity) < 0) {
        text_copy(path, path_capacity, folder);
        return SaveOutcome::path_too_long;
    }
    if (folder_length < 0 || folder_length >= RECORD_FOLDER_CAPACITY) return SaveOutcome::path_too_long;
    if (create_folder_chain(folder) == ERROR_FILENAME_EXCED_RANGE) return SaveOutcome::path_too_long;

    // The row carries the time the user saved, not the time a held file
    // came free.
    SYSTEMTIME now;
    GetLocalTime(&now);
    SavedResult saved = {tool, input_values, result_text,
                         {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}};
    // No handle stays open between saves.
    HANDLE file = open_record_file(path);
    if (file == INVALID_HANDLE_VALUE) return outcome_of_error(last_error());
    SaveOutcome outcome = write_record(file, saved);
    CloseHandle(file);
    return outcome;
}
