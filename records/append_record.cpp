// The save command: appends the window's last result as one row to the tool's
// CSV record file under the user's local application-data folder.
//
// A save is reported as saved only when every byte of it reached the file.
// Anything else (no application-data folder, a folder that cannot be made, a
// file that cannot be opened, a row too long, a short write) leaves the
// status line and a warning box telling the user that this result was not
// recorded, naming the file.

#include "records/append_record.h"

#include <windows.h>
#include <shlobj.h>

#include "core/text.h"
#include "records/record_lock.h"
#include "records/record_log.h"
#include "ui/texts.h"
#include "ui/tool_window.h"

namespace {

constexpr int MESSAGE_CAPACITY = 1024;

// Shown in place of the application-data folder when it is unknown: the user
// still learns which file the save was meant for.
const wchar_t UNKNOWN_APP_DATA[] = L"%LOCALAPPDATA%";

// Gets the record folder from the local application-data folder. Fails when
// the shell cannot say where that folder is, or says something that is not
// an absolute path: the records are then written nowhere, never relative to
// the current drive or folder.
bool find_record_folder(wchar_t* folder, int capacity) {
    wchar_t app_data[MAX_PATH + 1] = {};
    HRESULT found = SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, app_data);
    if (found != S_OK) return false;
    return make_record_folder(app_data, folder, capacity) > 0;
}

// Creates the folder with all its missing parents, one backslash at a time
// from past the drive prefix. Failures, above all for folders that exist
// already, are left to the open that follows.
void create_folder_chain(const wchar_t* folder) {
    wchar_t part[RECORD_FOLDER_CAPACITY];
    int length = text_length(folder);
    for (int i = 3; i < length; ++i) {
        if (folder[i] != L'\\') continue;
        text_copy(part, i + 1, folder);
        CreateDirectoryW(part, nullptr);
    }
    CreateDirectoryW(folder, nullptr);
}

OVERLAPPED at_offset(long long offset) {
    OVERLAPPED where = {};
    where.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFULL);
    where.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
    return where;
}

// Reads count bytes of the file (the context) at offset: a RecordReader.
bool read_at(long long offset, unsigned char* buffer, int count, void* file) {
    OVERLAPPED where = at_offset(offset);
    DWORD got = 0;
    return count >= 0 && ReadFile(static_cast<HANDLE>(file), buffer, static_cast<DWORD>(count), &got, &where) &&
           got == static_cast<DWORD>(count);
}

// Writes all bytes at the offset, or at the file's current end when offset
// is -1 (an offset of all ones asks Windows for the end at the moment of the
// write).
bool write_at(HANDLE file, long long offset, const char* data, std::size_t count) {
    OVERLAPPED where = offset < 0 ? OVERLAPPED{} : at_offset(offset);
    if (offset < 0) {
        where.Offset = 0xFFFFFFFF;
        where.OffsetHigh = 0xFFFFFFFF;
    }
    DWORD written = 0;
    return WriteFile(file, data, static_cast<DWORD>(count), &written, &where) && written == count;
}

bool set_length(HANDLE file, long long length) {
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = length;
    return SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end) != 0;
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

// How a save into the file ended.
enum class SaveOutcome {
    saved,
    failed,   // nothing of this save is in the file
    busy,     // another copy kept the file for the whole wait: nothing written
};

// Writes a file anew from byte 0, or puts it back as it was. Only a file
// without a header line is written anew, and the bytes it held beyond the
// new ones are only cut off once the new ones are on the disk, so that the
// file can always be put back: its first bytes from the copy kept here, the
// rest by never having been touched.
bool write_anew(HANDLE file, long long size, const RecordBytes& bytes) {
    static unsigned char kept[RECORD_BYTES_CAPACITY];
    long long new_size = static_cast<long long>(bytes.size);
    int kept_count = static_cast<int>(size < new_size ? size : new_size);
    if (kept_count > 0 && !read_at(0, kept, kept_count, file)) return false;
    bool written = write_at(file, 0, bytes.data, bytes.size) && FlushFileBuffers(file) != 0;
    if (written && size > new_size) {
        written = set_length(file, new_size);
        // The row is on the disk already; should the shorter length not
        // reach it, the file ends in the blank lines it had, still whole.
        if (written) FlushFileBuffers(file);
    }
    if (!written) {
        write_at(file, 0, reinterpret_cast<const char*>(kept), static_cast<std::size_t>(kept_count));
        if (size < new_size) set_length(file, size);
        FlushFileBuffers(file);
    }
    return written;
}

// Appends at the file's end, or cuts the file back to the length it had.
bool append_at_end(HANDLE file, long long size, const RecordBytes& bytes) {
    // Bytes that only reach the disk when flushed can fail there too.
    bool written = write_at(file, -1, bytes.data, bytes.size) && FlushFileBuffers(file) != 0;
    if (!written) {
        set_length(file, size);
        FlushFileBuffers(file);
    }
    return written;
}

// One save into the file, as a critical section shared with every other copy
// of the program (records/record_lock.h). The file is opened shared with
// other readers and writers and closed again; no handle stays open between
// saves.
//
// What the file holds decides what the save writes (see plan_record): a file
// without a header line is written anew from byte 0; otherwise the row (after
// a line break that ends an unfinished last line) goes to the end, in the
// file's own encoding. A file in UTF-16 is left alone and the save fails.
//
// A write that fails or falls short (a full disk, a quota) is undone through
// the same handle, so the file is byte for byte what it was. The file is
// never deleted: another program may have it open.
SaveOutcome append_to_file(const wchar_t* path, const RecordTime& time) {
    RecordFileLock lock(path);
    if (lock.state() == RecordLockState::busy) return SaveOutcome::busy;
    if (lock.state() != RecordLockState::held) return SaveOutcome::failed;
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return SaveOutcome::failed;

    LARGE_INTEGER size = {};
    static RecordBytes bytes;
    RecordPlan plan = {RECORD_LEAD_NONE, RECORD_ENCODING_REFUSED};
    bool ok = GetFileSizeEx(file, &size) != 0 && plan_record(size.QuadPart, read_at, file, &plan) &&
              plan.encoding != RECORD_ENCODING_REFUSED;
    if (ok) {
        RecordEncoder encode = plan.encoding == RECORD_ENCODING_ANSI ? encode_record_ansi : encode_record_utf8;
        ok = build_record_bytes(tool_window.tool, time, tool_window.input_values, tool_window.detail_text, plan.lead,
                                encode, &bytes) == RECORD_BUILD_OK;
    }
    if (ok) {
        ok = plan.lead == RECORD_LEAD_BOM_AND_HEADER ? write_anew(file, size.QuadPart, bytes)
                                                     : append_at_end(file, size.QuadPart, bytes);
    }
    CloseHandle(file);
    return ok ? SaveOutcome::saved : SaveOutcome::failed;
}

// The failure box names the file; message_format is SAVE_FAILED_FORMAT or,
// when another copy kept the file busy, SAVE_BUSY_FORMAT.
void report_failure(const wchar_t* path, TextFormat<const wchar_t*> message_format = SAVE_FAILED_FORMAT) {
    set_status(STATUS_SAVE_FAILED_FORMAT, path);
    wchar_t message[MESSAGE_CAPACITY];
    text_format(message, MESSAGE_CAPACITY, message_format, path);
    MessageBoxW(tool_window.main_window, message, TITLE_SAVE_FAILED, MB_OK | MB_ICONWARNING);
}

}  // namespace

void append_record() {
    if (tool_window.detail_text[0] == L'\0') {
        MessageBoxW(tool_window.main_window, NEED_RESULT_TO_SAVE, TITLE_NOTICE, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const ToolDef* tool = tool_window.tool;

    wchar_t folder[RECORD_FOLDER_CAPACITY];
    wchar_t path[RECORD_PATH_CAPACITY];
    if (!find_record_folder(folder, RECORD_FOLDER_CAPACITY)) {
        text_format(folder, RECORD_FOLDER_CAPACITY, L"%ls\\%ls", UNKNOWN_APP_DATA, RECORD_FOLDER_NAME);
        make_record_path(folder, tool->id, path, RECORD_PATH_CAPACITY);
        report_failure(path);
        return;
    }
    create_folder_chain(folder);
    if (make_record_path(folder, tool->id, path, RECORD_PATH_CAPACITY) < 0) {
        report_failure(folder);
        return;
    }

    SYSTEMTIME now;
    GetLocalTime(&now);
    RecordTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};

    switch (append_to_file(path, time)) {
    case SaveOutcome::saved:
        break;
    case SaveOutcome::busy:
        report_failure(path, SAVE_BUSY_FORMAT);
        return;
    case SaveOutcome::failed:
        report_failure(path);
        return;
    }
    set_status(STATUS_SAVED_FORMAT, path);
    MessageBoxW(tool_window.main_window, SAVED_MESSAGE, TITLE_SAVED, MB_OK | MB_ICONINFORMATION);
}
