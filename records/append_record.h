#pragma once
// The save command (records/append_record.cpp): appends the window's last
// result as one row to the tool's CSV record file.

void append_record();
