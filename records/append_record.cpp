// The save command: appends the window's last result as one row to the tool's
// CSV record file under the user's local application-data folder.
//
// A save is reported as saved only when every byte of it reached the file.
// Anything else leaves the status line and a warning box telling the user
// that this result was not recorded, naming the file and saying why: another
// copy or another program holding the file, a file in an encoding that
// cannot hold the row, no application-data folder, a path too long, a folder
// that cannot be made or written, a full disk, a row too long, or any other
// failure.
//
// The save writes what the window showed when it was asked for: the values
// and the result are taken at its start, before any wait lets a message in.
//
// The record file is open for writing by one save at a time: the save opens
// it sharing it with readers only, so another copy in another session or on
// another PC (through a share), or any program that writes the file, meets a
// sharing violation and is tried again; a new file gets its byte-order mark,
// header and first row in that one open.
//
// A session that ends during a save waits for it: until the outcome is known
// the window refuses the end of the session and gives Windows the reason. If
// the session ends all the same, the save gives up before writing anything.

#include "records/append_record.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>

#include "core/text.h"
#include "records/answering_wait.h"
#include "records/record_lock.h"
#include "records/record_log.h"
#include "ui/texts.h"
#include "ui/tool_window.h"

namespace {

constexpr int MESSAGE_CAPACITY = 1024;

// A file another program holds for a moment (as a virus scanner opens one
// right after it was written) is tried again for this long, in steps of
// this length, within the whole wait of RECORD_LOCK_WAIT_MS.
constexpr DWORD HELD_RETRY_MS = 1000;
constexpr DWORD HELD_RETRY_STEP_MS = 50;

// Shown in place of the application-data folder when it is unknown: the user
// still learns which file the save was meant for.
const wchar_t UNKNOWN_APP_DATA[] = L"%LOCALAPPDATA%";

// How a save ended; each failure has its own text.
enum class SaveOutcome {
    saved,
    busy,            // another copy kept the file for the whole wait
    held,            // another program holds the file
    not_encodable,   // the file's code page lacks a character of the row
    utf16,           // the file is UTF-16 or UTF-32 text
    path_too_long,
    no_app_data,
    denied,          // the folder cannot be made, or writing is denied
    disk_full,
    too_long,        // the row or the header is too long for a line
    session_ended,   // the session ended during the save, which gave up
    failed,          // anything else
};

// The failure box of each cause; every one names the file.
TextFormat<const wchar_t*> failure_format(SaveOutcome outcome) {
    switch (outcome) {
    case SaveOutcome::busy: return SAVE_BUSY_FORMAT;
    case SaveOutcome::held: return SAVE_FAILED_FORMAT;
    case SaveOutcome::not_encodable: return SAVE_NOT_ENCODABLE_FORMAT;
    case SaveOutcome::utf16: return SAVE_UTF16_FORMAT;
    case SaveOutcome::path_too_long: return SAVE_PATH_TOO_LONG_FORMAT;
    case SaveOutcome::no_app_data: return SAVE_NO_APP_DATA_FORMAT;
    case SaveOutcome::denied: return SAVE_DENIED_FORMAT;
    case SaveOutcome::disk_full: return SAVE_DISK_FULL_FORMAT;
    case SaveOutcome::too_long: return SAVE_TOO_LONG_FORMAT;
    case SaveOutcome::session_ended: return SAVE_SESSION_ENDED_FORMAT;
    case SaveOutcome::saved:
    case SaveOutcome::failed: break;
    }
    return SAVE_ERROR_FORMAT;
}

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

// Set when the session ends during the save (abandon_record_save): the save
// then stops at its next step and writes nothing.
bool save_abandoned = false;
bool save_pending = false;

// A function of user32 looked up by name: the reason a window gives for
// keeping the session open is missing from some systems (Wine lacks part of
// it), which then still save, only without the reason.
template <typename Function>
Function user32_function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC found = user32 == nullptr ? nullptr : GetProcAddress(user32, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// The save from its command until its outcome is known: the end of the
// session waits for it, with the save's reason shown to the user.
class PendingSave {
public:
    PendingSave() {
        save_pending = true;
        save_abandoned = false;
        resume_answering_waits();
        using CreateReason = BOOL(WINAPI*)(HWND, LPCWSTR);
        auto create = user32_function<CreateReason>("ShutdownBlockReasonCreate");
        blocking_ = create != nullptr && create(tool_window.main_window, SAVE_BLOCK_REASON) != FALSE;
    }
    ~PendingSave() {
        using DestroyReason = BOOL(WINAPI*)(HWND);
        auto destroy = user32_function<DestroyReason>("ShutdownBlockReasonDestroy");
        if (blocking_ && destroy != nullptr) destroy(tool_window.main_window);
        save_pending = false;
        resume_answering_waits();
    }
    PendingSave(const PendingSave&) = delete;
    PendingSave& operator=(const PendingSave&) = delete;

private:
    bool blocking_ = false;
};

// What the save writes, taken when it is asked for.
struct ShownResult {
    double input_values[MAX_TOOL_VALUES];
    wchar_t detail_text[DETAIL_TEXT_CAPACITY];
};

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

// The RecordReader of the plan. A file blank from its start on is read to its
// end, which for a long one takes many reads: the window answers between them.
bool read_answering(long long offset, unsigned char* buffer, int count, void* context) {
    PlanReading* reading = static_cast<PlanReading*>(context);
    reading->error = read_at(reading->file, offset, buffer, count);
    if (reading->error != ERROR_SUCCESS) return false;
    if (wait_answering(nullptr, 0) == WAIT_FAILED) {
        reading->error = ERROR_CANCELLED;
        return false;
    }
    return true;
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
// another writer, so that no other save or program writes it meanwhile. A
// file that another program (or another copy's save) holds, a sharing or
// lock violation, is tried again for up to budget_ms while the window
// answers. On failure GetLastError tells why.
HANDLE open_record_file(const wchar_t* path, DWORD budget_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        DWORD error = last_error();
        DWORD elapsed = GetTickCount() - start;
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || elapsed >= budget_ms) {
            SetLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        DWORD left = budget_ms - elapsed;
        if (wait_answering(nullptr, left < HELD_RETRY_STEP_MS ? left : HELD_RETRY_STEP_MS) == WAIT_FAILED) {
            SetLastError(ERROR_CANCELLED);
            return INVALID_HANDLE_VALUE;
        }
    }
}

// One save into the open file. What the file holds decides what the save
// writes (see plan_record): a file without a header line is written anew
// from byte 0; otherwise the row (after a line break that ends an unfinished
// last line) goes to the end, in the file's own encoding. A file in UTF-16
// is left alone.
//
// A write that fails or falls short (a full disk, a quota) is undone through
// the same handle, so the file is byte for byte what it was. The file is
// never deleted: another program may have it open.
SaveOutcome write_record(HANDLE file, const RecordTime& time, const ShownResult& shown) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size)) return outcome_of_error(last_error());
    PlanReading reading = {file, ERROR_SUCCESS};
    RecordPlan plan = {RECORD_LEAD_NONE, RECORD_ENCODING_REFUSED};
    if (!plan_record(size.QuadPart, read_answering, &reading, &plan)) return outcome_of_error(reading.error);
    if (plan.encoding == RECORD_ENCODING_REFUSED) return SaveOutcome::utf16;
    // The plan holds for the file as it was read; a long read gave other
    // programs time to change it.
    LARGE_INTEGER size_now = {};
    if (!GetFileSizeEx(file, &size_now)) return outcome_of_error(last_error());
    if (size_now.QuadPart != size.QuadPart) return SaveOutcome::failed;

    static RecordBytes bytes;
    RecordEncoder encode = plan.encoding == RECORD_ENCODING_ANSI ? encode_record_ansi : encode_record_utf8;
    switch (build_record_bytes(tool_window.tool, time, shown.input_values, shown.detail_text, plan.lead, encode,
                               &bytes)) {
    case RECORD_BUILD_OK:
        break;
    case RECORD_BUILD_ROW_TOO_LONG:
    case RECORD_BUILD_HEADER_TOO_LONG:
        return SaveOutcome::too_long;
    case RECORD_BUILD_NOT_ENCODABLE:
        return SaveOutcome::not_encodable;
    }
    // The last step that lets a message in lies behind: from here on the
    // save writes, and nothing ends it halfway.
    if (save_abandoned) return SaveOutcome::session_ended;
    DWORD error = plan.lead == RECORD_LEAD_BOM_AND_HEADER ? write_anew(file, size.QuadPart, bytes)
                                                          : append_at_end(file, size.QuadPart, bytes);
    return error == ERROR_SUCCESS ? SaveOutcome::saved : outcome_of_error(error);
}

// One save into the file. The lock (records/record_lock.h) lines up the
// copies of the program in this session and tells the user when another copy
// kept the file; the open for this save alone keeps every other writer out.
// No handle stays open between saves. The wait for the lock and for a file
// held by another program together take at most RECORD_LOCK_WAIT_MS.
SaveOutcome append_to_file(const wchar_t* path, const RecordTime& time, const ShownResult& shown) {
    DWORD start = GetTickCount();
    RecordFileLock lock(path);
    if (lock.state() == RecordLockState::busy) return SaveOutcome::busy;
    if (lock.state() != RecordLockState::held) return SaveOutcome::failed;
    DWORD waited = GetTickCount() - start;
    DWORD left = waited < RECORD_LOCK_WAIT_MS ? RECORD_LOCK_WAIT_MS - waited : 0;
    HANDLE file = open_record_file(path, left < HELD_RETRY_MS ? left : HELD_RETRY_MS);
    if (file == INVALID_HANDLE_VALUE) return outcome_of_error(last_error());
    SaveOutcome outcome = write_record(file, time, shown);
    CloseHandle(file);
    return outcome;
}

// The status line and the failure box of the cause, naming the file.
void report_failure(const wchar_t* path, SaveOutcome outcome) {
    set_status(STATUS_SAVE_FAILED_FORMAT, path);
    wchar_t message[MESSAGE_CAPACITY];
    text_format(message, MESSAGE_CAPACITY, failure_format(outcome), path);
    MessageBoxW(tool_window.main_window, message, TITLE_SAVE_FAILED, MB_OK | MB_ICONWARNING);
}

// The save of what the window showed into the tool's record file. Sets what
// the box names: the file, or the folder when the file's path cannot be made.
SaveOutcome save_shown(const ShownResult& shown, wchar_t* named, int capacity) {
    const ToolDef* tool = tool_window.tool;
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
        make_record_path(folder, tool->id, named, capacity);
        return SaveOutcome::no_app_data;
    }
    int folder_length = make_record_folder(app_data, folder, RECORD_PATH_CAPACITY);
    if (make_record_path(folder, tool->id, named, capacity) < 0) {
        text_copy(named, capacity, folder);
        return SaveOutcome::path_too_long;
    }
    if (folder_length < 0 || folder_length >= RECORD_FOLDER_CAPACITY) return SaveOutcome::path_too_long;
    if (create_folder_chain(folder) == ERROR_FILENAME_EXCED_RANGE) return SaveOutcome::path_too_long;

    SYSTEMTIME now;
    GetLocalTime(&now);
    RecordTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    SaveOutcome outcome = append_to_file(named, time, shown);
    // A save the session's end stopped failed for that reason, whatever its
    // last step made of the stop.
    if (outcome != SaveOutcome::saved && save_abandoned) outcome = SaveOutcome::session_ended;
    return outcome;
}

}  // namespace

bool record_save_pending() {
    return save_pending;
}

void abandon_record_save() {
    if (!save_pending) return;
    save_abandoned = true;
    stop_answering_waits();
}

void append_record() {
    if (tool_window.detail_text[0] == L'\0') {
        MessageBoxW(tool_window.main_window, NEED_RESULT_TO_SAVE, TITLE_NOTICE, MB_OK | MB_ICONINFORMATION);
        return;
    }
    static ShownResult shown;
    std::memcpy(shown.input_values, tool_window.input_values, sizeof shown.input_values);
    text_copy(shown.detail_text, DETAIL_TEXT_CAPACITY, tool_window.detail_text);

    wchar_t path[RECORD_PATH_CAPACITY];
    SaveOutcome outcome = SaveOutcome::failed;
    {
        PendingSave pending;
        outcome = save_shown(shown, path, RECORD_PATH_CAPACITY);
    }
    if (outcome != SaveOutcome::saved) {
        report_failure(path, outcome);
        return;
    }
    set_status(STATUS_SAVED_FORMAT, path);
    MessageBoxW(tool_window.main_window, SAVED_MESSAGE, TITLE_SAVED, MB_OK | MB_ICONINFORMATION);
}
