// The smallest Win32 program that shows a window, built the way kaldrin.exe
// is built: the yardstick of the start-up benchmark. With --exit it ends at
// once without a window; otherwise it shows an empty window until closed.

#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK minimal_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (std::wcsstr(GetCommandLineW(), L"--exit") != nullptr) return 0;
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = minimal_proc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    window_class.lpszClassName = L"KaldrinMinimalWnd";
    RegisterClassExW(&window_class);
    HWND window = CreateWindowExW(0, L"KaldrinMinimalWnd", L"minimal", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 1036, 780, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
