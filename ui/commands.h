#pragma once
// The window's commands (ui/commands.cpp), run from the buttons and, for
// compute, from F5 and Enter.

void compute_result();
// Appends the shown result to the tool's record file (records/append_record.h)
// and tells the user how that went.
void save_result();
void copy_result();
void reset_inputs();
void show_about();
