// Process entry of a tool's program: the self-test when the command line asks
// for it, otherwise the window on the catalogued tool.

#include <windows.h>

#include <cstddef>

#include "app/command_line.h"
#include "app/selftest.h"
#include "core/tool.h"
#include "core/tool_choices.h"
#include "ui/tool_window.h"

#if defined(__MINGW32__) && defined(_WIN64)
// The stack protector's runtime and the image's load configuration.
//
// The guard that -fstack-protector-strong checks on return is the security
// cookie of the load configuration: the loader gives it a random value while
// it maps the image, before any code of the program runs, when it still holds
// the default value below. The runtime that comes with the compiler (libssp)
// would instead seed it in a constructor through the crypto API, which loads
// crypto DLLs by name before the process entry has restricted the DLL search.
extern "C" {
void* __stack_chk_guard = reinterpret_cast<void*>(0x00002B992DDFA232ULL);

[[noreturn]] void __stack_chk_fail() {
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}
}

namespace {
// IMAGE_LOAD_CONFIG_DIRECTORY64 as far as the headers here have it, with the
// security cookie as a pointer (an address the image's relocations keep) and
// the word after CSDVersion under the name newer loaders give it.
struct LoadConfiguration {
    DWORD size;
    DWORD time_stamp;
    WORD major_version, minor_version;
    DWORD global_flags_clear, global_flags_set, critical_section_default_timeout;
    ULONGLONG decommit_free_block_threshold, decommit_total_free_threshold, lock_prefix_table;
    ULONGLONG maximum_allocation_size, virtual_memory_threshold, process_affinity_mask;
    DWORD process_heap_flags;
    WORD csd_version;
    WORD dependent_load_flags;
    ULONGLONG edit_list;
    void** security_cookie;
    ULONGLONG se_handler_table, se_handler_count;
};
static_assert(sizeof(LoadConfiguration) == sizeof(IMAGE_LOAD_CONFIG_DIRECTORY64));
static_assert(offsetof(LoadConfiguration, dependent_load_flags) == offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, Reserved1));
static_assert(offsetof(LoadConfiguration, security_cookie) ==
              offsetof(IMAGE_LOAD_CONFIG_DIRECTORY64, SecurityCookie));
}  // namespace

// Besides the cookie, one setting: the DLLs the loader maps for the program's
// imports come from the system folder only (Windows 10 1607 and later). GNU ld
// does not point the load-configuration directory at this symbol; the link's
// last step does (scripts/release/pe.py, cmake/KaldrinOptions.cmake), finding
// it by its section.
extern "C" __attribute__((used, section(".ldcfg"))) const LoadConfiguration _load_config_used = {
    sizeof(LoadConfiguration), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    LOAD_LIBRARY_SEARCH_SYSTEM32, 0, &__stack_chk_guard, 0, 0};
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
    return run_tool_window(instance, get_tool(), get_tool_choices());
}
