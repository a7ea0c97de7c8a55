// Process entry of a tool's program: the self-test when the command line asks
// for it, otherwise the window on the catalogued tool.

#include <windows.h>

#include "app/command_line.h"
#include "app/selftest.h"
#include "core/tool.h"
#include "ui/tool_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    wchar_t path[SELFTEST_PATH_CAPACITY];
    switch (find_selftest_request(GetCommandLineW(), path, SELFTEST_PATH_CAPACITY)) {
    case SelftestRequest::run:
        return run_selftest(get_tool(), path);
    case SelftestRequest::path_too_long:
        // Writing to a shortened name would put the report where nobody
        // looks for it; refuse instead.
        return SELFTEST_NOT_WRITTEN;
    case SelftestRequest::none:
        break;
    }
    SetProcessDPIAware();
    return run_tool_window(instance, get_tool());
}
