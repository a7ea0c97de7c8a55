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

// Serializes the saves of every copy of the program into one record file,
// across processes of this session: one save's read, decision, write and
// close run while it holds a named mutex derived from the file's path. Two
// copies saving into a new file at the same instant would otherwise both
// write the byte-order mark and the header, and appends can interleave.
class RecordFileLock {
public:
    explicit RecordFileLock(const wchar_t* path) {
        wchar_t name[64];
        text_format(name, 64, L"Local\\NoltMedSuite.Records.%ls", path_key(path).text);
        mutex_ = CreateMutexW(nullptr, FALSE, name);
        if (mutex_ == nullptr) return;
        // An abandoned mutex is still ours: its last owner ended mid-save,
        // and the file's lead (an unfinished line) is judged afresh.
        DWORD waited = WaitForSingleObject(mutex_, LOCK_TIMEOUT_MS);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~RecordFileLock() {
        if (held_) ReleaseMutex(mutex_);
        if (mutex_ != nullptr) CloseHandle(mutex_);
    }
    RecordFileLock(const RecordFileLock&) = delete;
    RecordFileLock& operator=(const RecordFileLock&) = delete;

    bool held() const { return held_; }

private:
    static constexpr DWORD LOCK_TIMEOUT_MS = 10000;

    struct Key {
        wchar_t text[17];
    };

    // The path in upper case (Windows names are case-insensitive), hashed
    // (64-bit FNV-1a) to 16 hexadecimal digits: a mutex name has no room for
    // a whole path, and may not hold a backslash.
    static Key path_key(const wchar_t* path) {
        unsigned long long hash = 14695981039346656037ULL;
        for (const wchar_t* p = path; *p != L'\0'; ++p) {
            wchar_t c = *p;
            CharUpperBuffW(&c, 1);
            hash = (hash ^ static_cast<unsigned long long>(static_cast<unsigned short>(c))) * 1099511628211ULL;
        }
        Key key;
        const wchar_t digits[] = L"0123456789ABCDEF";
        for (int i = 0; i < 16; ++i) key.text[i] = digits[(hash >> (60 - 4 * i)) & 0xF];
        key.text[16] = L'\0';
        return key;
    }

    HANDLE mutex_ = nullptr;
    bool held_ = false;
};

OVERLAPPED at_offset(long long offset) {
    OVERLAPPED where = {};
    where.Offset = static_cast<DWORD>(static_cast<unsigned long long>(offset) & 0xFFFFFFFFULL);
    where.OffsetHigh = static_cast<DWORD>(static_cast<unsigned long long>(offset) >> 32);
    return where;
}

bool read_at(HANDLE file, long long offset, unsigned char* buffer, DWORD count) {
    OVERLAPPED where = at_offset(offset);
    DWORD got = 0;
    return ReadFile(file, buffer, count, &got, &where) && got == count;
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

// One save into the file, as a critical section shared with every other copy
// of the program. The file is opened shared with other readers and writers
// and closed again; no handle stays open between saves.
//
// The first bytes decide what the save writes (see plan_record): a file
// without a header line is written anew from byte 0; otherwise the row (after
// a line break that ends an unfinished last line) goes to the end, in the
// file's own encoding. A file in UTF-16 is left alone and the save fails.
//
// A write that fails or falls short (a full disk, a quota) is undone through
// the same handle: the file is cut back to the length it had, and a file
// that was written anew gets its old bytes back, so it is byte for byte what
// it was. The file is never deleted: another program may have it open.
bool append_to_file(const wchar_t* path, const RecordTime& time) {
    RecordFileLock lock(path);
    if (!lock.held()) return false;
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;

    LARGE_INTEGER size = {};
    static unsigned char head[RECORD_HEAD_CAPACITY];
    int head_count = 0;
    unsigned char last = 0;
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && size.QuadPart > 0) {
        head_count = size.QuadPart < RECORD_HEAD_CAPACITY ? static_cast<int>(size.QuadPart) : RECORD_HEAD_CAPACITY;
        ok = read_at(file, 0, head, static_cast<DWORD>(head_count)) &&
             read_at(file, size.QuadPart - 1, &last, 1);
    }

    static RecordBytes bytes;
    RecordPlan plan = {RECORD_LEAD_NONE, RECORD_ENCODING_REFUSED};
    if (ok) {
        plan = plan_record(size.QuadPart, head, head_count, last);
        RecordEncoder encode = plan.encoding == RECORD_ENCODING_ANSI ? encode_record_ansi : encode_record_utf8;
        ok = plan.encoding != RECORD_ENCODING_REFUSED &&
             build_record_bytes(tool_window.tool, time, tool_window.input_values, tool_window.detail_text,
                                plan.lead, encode, &bytes) == RECORD_BUILD_OK;
    }
    if (ok) {
        bool anew = plan.lead == RECORD_LEAD_BOM_AND_HEADER;
        bool written = write_at(file, anew ? 0 : -1, bytes.data, bytes.size);
        if (written && anew) written = set_length(file, static_cast<long long>(bytes.size));
        // Bytes that only reach the disk when flushed can fail there too.
        if (written) written = FlushFileBuffers(file) != 0;
        if (!written) {
            if (anew && head_count > 0) write_at(file, 0, reinterpret_cast<const char*>(head), head_count);
            set_length(file, size.QuadPart);
            FlushFileBuffers(file);
        }
        ok = written;
    }
    CloseHandle(file);
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

    if (!append_to_file(path, time)) {
        report_failure(path);
        return;
    }
    set_status(STATUS_SAVED_FORMAT, path);
    MessageBoxW(tool_window.main_window, SAVED_MESSAGE, TITLE_SAVED, MB_OK | MB_ICONINFORMATION);
}
