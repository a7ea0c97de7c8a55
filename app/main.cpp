// Process entry of a tool's program: the self-test when the command line asks
// for it, otherwise the window on the catalogued tool.

#include <windows.h>

#include "app/command_line.h"
#include "app/selftest.h"
#include "core/tool.h"
#include "ui/tool_window.h"

#if defined(__MINGW32__) && defined(_WIN64)
// The image's load configuration. Its one setting: the DLLs the loader maps
// for the program's imports, and the ones those load in turn, come from the
// system folder only (the loader of Windows 10 1607 and later reads the word
// after CSDVersion, which the headers here still call Reserved1, as
// DependentLoadFlags). GNU ld does not point the load-configuration directory
// at this symbol; the link's last step does (scripts/release/pe.py,
// cmake/KaldrinOptions.cmake), finding it by its section.
namespace {
constexpr IMAGE_LOAD_CONFIG_DIRECTORY64 system_folder_only() {
    IMAGE_LOAD_CONFIG_DIRECTORY64 config{};
    config.Size = sizeof config;
    config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;
    return config;
}
}  // namespace
extern "C" __attribute__((used, section(".ldcfg"))) constinit const IMAGE_LOAD_CONFIG_DIRECTORY64 _load_config_used =
    system_folder_only();
#endif

namespace {

// DLLs that Windows' own DLLs load by name while the program runs are looked
// for in the program's folder first, so a DLL of such a name planted beside
// kaldrin.exe (a Downloads folder, a share users can write to) would run
// inside the process. Search the system folder only. SetDefaultDllDirectories
// is there from Windows 8 on and on a Windows 7 with its update; a static
// import would keep the program from starting on a Windows 7 without, so it is
// looked up. Without it, at least the current folder leaves the search.
void restrict_dll_search() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    FARPROC found = kernel == nullptr ? nullptr : GetProcAddress(kernel, "SetDefaultDllDirectories");
    auto set_default_directories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(found));
    if (set_default_directories != nullptr && set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    SetDllDirectoryW(L"");
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    restrict_dll_search();
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
