#pragma once
// The window's commands (ui/commands.cpp), run from the buttons and, for
// compute, from F5 and Enter. The save command is records/append_record.h.

void compute_result();
void copy_result();
void reset_inputs();
void show_about();
