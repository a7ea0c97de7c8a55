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
#include "records/record_log.h"
#include "ui/texts.h"
#include "ui/tool_window.h"

namespace {

constexpr int MESSAGE_CAPACITY = 1024;

// Shown in place of the file's path when the application-data folder is
// unknown: the user still learns which file the save was meant for.
const wchar_t UNKNOWN_FOLDER[] = L"%LOCALAPPDATA%\\NoltMedSuite\\records";

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

bool read_at(HANDLE file, long long offset, unsigned char* buffer, DWORD count) {
    OVERLAPPED where = {};
    where.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFULL);
    where.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
    DWORD got = 0;
    return ReadFile(file, buffer, count, &got, &where) && got == count;
}

// Appends the save to the file in one write. The file is opened for
// appending only (every write lands at its end, also while another program
// appends), shared with other readers and writers, and closed again.
//
// A new or empty file receives the byte-order mark, the header and the row
// in that one write. When the header cannot be made, nothing is written at
// all and the save fails: a file must never start with a row that no header
// names. A new file that did not receive its whole first write is removed
// again, so that the next save starts it cleanly.
bool append_to_file(const wchar_t* path, const RecordTime& time) {
    HANDLE file = CreateFileW(path, FILE_READ_DATA | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool created = GetLastError() != ERROR_ALREADY_EXISTS;

    LARGE_INTEGER size = {};
    unsigned char head[3] = {};
    unsigned char last = 0;
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && size.QuadPart > 0) {
        DWORD head_count = size.QuadPart < 3 ? static_cast<DWORD>(size.QuadPart) : 3;
        ok = read_at(file, 0, head, head_count) && read_at(file, size.QuadPart - 1, &last, 1);
    }

    static RecordBytes bytes;
    if (ok) {
        RecordLead lead = record_lead(size.QuadPart, head, last);
        ok = build_record_bytes(tool_window.tool, time, tool_window.input_values, tool_window.detail_text,
                                lead, &bytes) == RECORD_BUILD_OK;
    }
    if (ok) {
        DWORD written = 0;
        ok = WriteFile(file, bytes.data, static_cast<DWORD>(bytes.size), &written, nullptr) &&
             written == bytes.size;
    }
    CloseHandle(file);
    if (!ok && created) DeleteFileW(path);
    return ok;
}

void report_failure(const wchar_t* path) {
    set_status(STATUS_SAVE_FAILED_FORMAT, path);
    wchar_t message[MESSAGE_CAPACITY];
    text_format(message, MESSAGE_CAPACITY, SAVE_FAILED_FORMAT, path);
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
        make_record_path(UNKNOWN_FOLDER, tool->id, path, RECORD_PATH_CAPACITY);
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

    if (!append_to_file(path, time)) {
        report_failure(path);
        return;
    }
    set_status(STATUS_SAVED_FORMAT, path);
    MessageBoxW(tool_window.main_window, SAVED_MESSAGE, TITLE_SAVED, MB_OK | MB_ICONINFORMATION);
}
