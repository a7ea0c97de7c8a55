#pragma once
// Waits of the save that keep the window answering: while a save waits for
// another copy of the program or for a file another program holds, or reads
// a long file, the messages other threads and programs send are handled and
// the window is repainted, so it is never shown as not responding.

#include <windows.h>

// Waits up to timeout_ms for the object to be signalled; with no object
// (nullptr) it only lets the time pass. Meanwhile sent messages are handled
// and paint messages dispatched; posted messages stay in the queue. Keys and
// clicks that arrived during the wait are dropped when it ends, so none of
// them starts a command of its own, then or behind the box that tells the
// save's outcome.
//
// Returns WAIT_OBJECT_0 or WAIT_ABANDONED when the object was taken,
// WAIT_TIMEOUT when the time ran out (always, without an object), or
// WAIT_FAILED (also when the waits were stopped, see below). A timeout of 0 answers what is pending and returns at once:
// the way a long read answers between its chunks.
DWORD wait_answering(HANDLE object, DWORD timeout_ms);

// Ends the waits of a save at once: the one running returns WAIT_FAILED as
// soon as the message that asked for it has been handled, and every later one
// returns WAIT_FAILED without waiting, until resume_answering_waits.
void stop_answering_waits();
void resume_answering_waits();
