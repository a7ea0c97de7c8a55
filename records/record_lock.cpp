#include "records/record_lock.h"

#include "core/suite_names.h"
#include "core/text.h"
#include "records/answering_wait.h"

void make_record_lock_name(const wchar_t* path, wchar_t* name, int capacity) {
    unsigned long long hash = 14695981039346656037ULL;
    for (const wchar_t* p = path; p != nullptr && *p != L'\0'; ++p) {
        wchar_t c = *p;
        CharUpperBuffW(&c, 1);
        hash = (hash ^ static_cast<unsigned long long>(static_cast<unsigned short>(c))) * 1099511628211ULL;
    }
    wchar_t digits[17];
    const wchar_t hex[] = L"0123456789ABCDEF";
    for (int i = 0; i < 16; ++i) digits[i] = hex[(hash >> (60 - 4 * i)) & 0xF];
    digits[16] = L'\0';
    text_format(name, capacity, L"Local\\" KALDRIN_SUITE_DATA_FOLDER ".Records.%ls", digits);
}

RecordFileLock::RecordFileLock(const wchar_t* path) {
    wchar_t name[RECORD_LOCK_NAME_CAPACITY];
    make_record_lock_name(path, name, RECORD_LOCK_NAME_CAPACITY);
    mutex_ = CreateMutexW(nullptr, FALSE, name);
    if (mutex_ == nullptr) return;
    switch (wait_answering(mutex_, RECORD_LOCK_WAIT_MS)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        state_ = RecordLockState::held;
        break;
    case WAIT_TIMEOUT:
        state_ = RecordLockState::busy;
        break;
    default:
        state_ = RecordLockState::failed;
        break;
    }
}

RecordFileLock::~RecordFileLock() {
    if (state_ == RecordLockState::held) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
}
