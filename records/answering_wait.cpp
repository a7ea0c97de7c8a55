#include "records/answering_wait.h"

namespace {

// Most paint messages handled in a row: each window validates what it paints,
// so this is only a guard against one that would not.
constexpr int PAINTS_PER_WAKE = 64;

bool waits_stopped = false;

// Drops the keys and clicks waiting in the thread's queue.
void drop_input() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
    }
}

// Handles every message sent to this thread by others and repaints.
void answer_pending() {
    MSG message;
    // Peeking delivers every message sent to this thread by others.
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    for (int i = 0; i < PAINTS_PER_WAKE && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i) {
        DispatchMessageW(&message);
    }
}

}  // namespace

void stop_answering_waits() {
    waits_stopped = true;
}

void resume_answering_waits() {
    waits_stopped = false;
}

DWORD wait_answering(HANDLE object, DWORD timeout_ms) {
    if (waits_stopped) return WAIT_FAILED;
    DWORD count = object != nullptr ? 1 : 0;
    if (count == 1) {
        DWORD at_once = WaitForSingleObject(object, 0);
        if (at_once != WAIT_TIMEOUT) return at_once;
    }
    const DWORD messages = WAIT_OBJECT_0 + count;
    DWORD start = GetTickCount();
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD left = elapsed >= timeout_ms ? 0 : timeout_ms - elapsed;
        result = MsgWaitForMultipleObjectsEx(count, &object, left, QS_SENDMESSAGE | QS_PAINT, 0);
        if (result != messages) break;
        answer_pending();
        if (waits_stopped) {
            result = WAIT_FAILED;
            break;
        }
        if (left == 0) {
            result = WAIT_TIMEOUT;
            break;
        }
    }
    drop_input();
    return result;
}
