#pragma once
// The lock that lines up the saves of every copy of the program in the
// session into one record file: a named mutex derived from the file's path.
// It is not what keeps two writers apart (the save opens the file for itself
// alone, which holds across sessions and PCs too); it lets a copy wait its
// turn without polling and tells the user, when the wait runs out, that
// another copy of this program was saving rather than another program. While
// a save waits for it, the window keeps answering.

#include <windows.h>

// Room for the mutex's name, terminator included.
constexpr int RECORD_LOCK_NAME_CAPACITY = 64;

// How long a save waits in all, for another copy to finish its own and then
// for a file another program holds for a moment: well below the five seconds
// after which Windows shows a window as not responding, and far above what
// one save takes.
constexpr DWORD RECORD_LOCK_WAIT_MS = 3000;

// "Local\NoltMedSuite.Records.<16 hexadecimal digits>": the path in upper
// case (Windows names are case-insensitive), hashed with 64-bit FNV-1a, since
// a mutex name has no room for a whole path and may not hold a backslash.
void make_record_lock_name(const wchar_t* path, wchar_t* name, int capacity);

enum class RecordLockState {
    held,      // this save may go on
    busy,      // another copy kept the file for the whole wait
    failed,    // the mutex could not be made or waited for
};

// Takes the lock of a record file for the lifetime of the object. An
// abandoned mutex is taken as free: its last owner ended mid-save, and the
// file's state is judged afresh by the save.
//
// The wait keeps the window answering (records/answering_wait.h) for at most
// RECORD_LOCK_WAIT_MS.
class RecordFileLock {
public:
    explicit RecordFileLock(const wchar_t* path);
    ~RecordFileLock();
    RecordFileLock(const RecordFileLock&) = delete;
    RecordFileLock& operator=(const RecordFileLock&) = delete;

    RecordLockState state() const { return state_; }

private:
    HANDLE mutex_ = nullptr;
    RecordLockState state_ = RecordLockState::failed;
};
