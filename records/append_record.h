#pragma once
// The save (records/append_record.cpp): appends one row to a tool's CSV
// record file under the user's local application-data folder. The window
// tells the user the outcome.

#include "core/tool.h"
#include "records/record_log.h"

// How a save ended; each failure is a cause of its own for the user.
enum class SaveOutcome {
    saved,
    held,            // another program, or another copy's save, kept the file for the whole retry
    not_encodable,   // the file's code page lacks a character of the row
    utf16,           // the file is UTF-16 or UTF-32 text
    blank_too_long,  // the file is blank further than a save reads
    path_too_long,
    no_app_data,
    denied,          // the folder cannot be made, or writing is denied
    disk_full,
    too_long,        // the row or the header is too long for a line
    failed,          // anything else
};

// Appends the row of one save: the tool, the values and the result text as
// the window shows them, at the local time of the call. One synchronous
// call: it dispatches no message, so nothing changes the window or reaches
// it until the outcome is known. It takes at most about the retry for a held
// file (1 s) and the reads that plan the row, which stop at
// RECORD_BLANK_READ_LIMIT however long the file is.
//
// path receives what the user is to be told of: the record file, or the
// folder when the file's path cannot be made (RECORD_PATH_CAPACITY holds
// either).
SaveOutcome append_record(const ToolDef* tool, const double* input_values, const wchar_t* result_text,
                          wchar_t* path, int path_capacity);
