// A DLL that leaves a mark when it is loaded: the tests put it beside a copy
// of a program under the name of a DLL that Windows' own DLLs load by name
// while the program runs. The mark is a file named like the DLL with
// ".loaded" after it, in the DLL's folder.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcpyW(path + length, L".loaded");
    HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    return TRUE;
}
