#pragma once
// The save command (records/append_record.cpp): appends the window's last
// result as one row to the tool's CSV record file.

void append_record();

// True while a save runs, from the command until its outcome is known and its
// box is about to show: the window then asks Windows to wait with the end of
// the session (the save's own reason text is set meanwhile).
bool record_save_pending();

// The session ends although a save is pending: the save gives up before it
// writes a byte, so the file keeps exactly what it held. Called by the window
// on WM_ENDSESSION, inside one of the save's waits; the save's box then says
// that this result was not recorded.
void abandon_record_save();
