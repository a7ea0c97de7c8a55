#include "tests/e2e/e2e_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

#include "version.h"

namespace {

constexpr int MESSAGE_BOX_TEXT_ID = 0xFFFF;
constexpr int MESSAGE_BOX_ICON_ID = 0x0440;
constexpr DWORD POLL_MS = 10;

std::wstring class_of(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

DWORD process_of(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// The first visible top-level window of the process with this class.
HWND find_top_level(DWORD process, const wchar_t* class_name) {
    struct Search {
        DWORD process;
        const wchar_t* class_name;
        HWND found;
    } search = {process, class_name, nullptr};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            Search* s = reinterpret_cast<Search*>(context);
            if (process_of(window) == s->process && IsWindowVisible(window) && class_of(window) == s->class_name) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A hidden window of the driver: the clipboard needs an owner window.
HWND driver_window() {
    static HWND window = CreateWindowExW(0, L"STATIC", L"kaldrin e2e", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
    return window;
}

bool open_clipboard() {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (OpenClipboard(driver_window())) return true;
        Sleep(POLL_MS);
    }
    return false;
}

// A top-down 32-bit surface of width x height pixels selected into a memory
// device context compatible with the screen; its pixels are readable at bits.
struct PixelSurface {
    HDC screen = nullptr;
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    const std::uint32_t* bits = nullptr;

    PixelSurface(int width, int height) {
        screen = GetDC(nullptr);
        memory = CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* pixels = nullptr;
        bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        old = SelectObject(memory, bitmap);
        bits = static_cast<const std::uint32_t*>(pixels);
    }
    ~PixelSurface() {
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;
};

Capture capture_screen(int left, int top, int width, int height) {
    Capture capture;
    if (width <= 0 || height <= 0) return capture;
    PixelSurface surface(width, height);
    BitBlt(surface.memory, 0, 0, width, height, surface.screen, left, top, SRCCOPY);
    GdiFlush();
    capture.width = width;
    capture.height = height;
    capture.pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::size_t i = 0; i < capture.pixels.size(); ++i) capture.pixels[i] = surface.bits[i] & 0xFFFFFF;
    return capture;
}

}  // namespace

std::wstring environment(const wchar_t* name) {
    wchar_t value[4096];
    DWORD length = GetEnvironmentVariableW(name, value, 4096);
    if (length == 0 || length >= 4096) return L"";
    return value;
}

const std::wstring& kaldrin_path() {
    static const std::wstring path = environment(L"KALDRIN_EXE");
    return path;
}

const std::wstring& second_tool_path() {
    static const std::wstring path = environment(L"KALDRIN_SECOND_TOOL_EXE");
    return path;
}

const std::wstring& work_folder() {
    static const std::wstring folder = environment(L"KALDRIN_E2E_WORK");
    return folder;
}

std::wstring work_path(const std::wstring& name) {
    return work_folder() + L"\\" + name;
}

std::wstring program_command(const std::wstring& program, const std::wstring& arguments) {
    std::wstring line = L"\"" + program + L"\"";
    if (!arguments.empty()) line += L" " + arguments;
    return line;
}

std::wstring kaldrin_command(const std::wstring& arguments) {
    return program_command(kaldrin_path(), arguments);
}

std::wstring version_text() {
    std::wstring text = std::to_wstring(KALDRIN_VERSION_MAJOR) + L"." + std::to_wstring(KALDRIN_VERSION_MINOR);
    if (KALDRIN_VERSION_PATCH != 0) text += L"." + std::to_wstring(KALDRIN_VERSION_PATCH);
    return text;
}

ProcessResult run_kaldrin(const std::wstring& command_line, const std::wstring& current_folder, DWORD timeout_ms) {
    return run_program(kaldrin_path(), command_line, current_folder, timeout_ms);
}

ProcessResult run_program(const std::wstring& program, const std::wstring& command_line,
                          const std::wstring& current_folder, DWORD timeout_ms) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<wchar_t> line(command_line.begin(), command_line.end());
    line.push_back(L'\0');
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        current_folder.empty() ? nullptr : current_folder.c_str(), &startup, &process)) {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return {false, 0};
    }
    ProcessResult result = {WaitForSingleObject(process.hProcess, timeout_ms) == WAIT_OBJECT_0, 0};
    if (!result.finished) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    GetExitCodeProcess(process.hProcess, &result.exit_code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::wstring make_work_folder(const std::wstring& name) {
    std::wstring folder = work_path(name);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring local_app_data() {
    wchar_t path[MAX_PATH + 1] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) return L"";
    return path;
}

std::wstring suite_folder() {
    return local_app_data() + L"\\NoltMedSuite";
}

std::wstring records_folder() {
    return suite_folder() + L"\\records";
}

std::string read_file_bytes(const std::wstring& path) {
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) return "<missing>";
    std::string bytes;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

bool file_exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void delete_file(const std::wstring& path) {
    DeleteFileW(path.c_str());
}

std::wstring read_clipboard_text() {
    if (!open_clipboard()) return L"<clipboard busy>";
    std::wstring text = L"<none>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* locked = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool write_clipboard_text(const std::wstring& text) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory == nullptr) return false;
    wchar_t* locked = static_cast<wchar_t*>(GlobalLock(memory));
    std::copy(text.begin(), text.end(), locked);
    locked[text.size()] = L'\0';
    GlobalUnlock(memory);
    if (!open_clipboard()) {
        GlobalFree(memory);
        return false;
    }
    bool placed = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!placed) GlobalFree(memory);
    return placed;
}

int Capture::count(std::uint32_t color, int left, int top, int right, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom && y < height; ++y) {
        for (int x = left; x < right && x < width; ++x) n += at(x, y) == color ? 1 : 0;
    }
    return n;
}

bool Capture::save_bmp(const std::wstring& path) const {
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr) return false;
    std::uint32_t row = static_cast<std::uint32_t>(width) * 3;
    row = (row + 3) & ~3u;
    std::uint32_t image = row * static_cast<std::uint32_t>(height);
    BITMAPFILEHEADER head = {};
    head.bfType = 0x4D42;
    head.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    head.bfSize = head.bfOffBits + image;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = image;
    bool ok = std::fwrite(&head, sizeof head, 1, file) == 1 && std::fwrite(&info, sizeof info, 1, file) == 1;
    std::vector<unsigned char> line(row, 0);
    for (int y = height - 1; y >= 0 && ok; --y) {
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = at(x, y);
            line[x * 3 + 0] = static_cast<unsigned char>(p & 0xFF);
            line[x * 3 + 1] = static_cast<unsigned char>((p >> 8) & 0xFF);
            line[x * 3 + 2] = static_cast<unsigned char>((p >> 16) & 0xFF);
        }
        ok = std::fwrite(line.data(), 1, row, file) == row;
    }
    return std::fclose(file) == 0 && ok;
}

std::string rgb_text(std::uint32_t color) {
    char text[32];
    std::snprintf(text, sizeof text, "RGB(%u,%u,%u)", (color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
    return text;
}

void save_screenshot(const Capture& picture, const wchar_t* name) {
    std::wstring folder = environment(L"KALDRIN_E2E_SCREENSHOTS");
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(picture.save_bmp(folder + L"\\" + name));
}

KaldrinApp::~KaldrinApp() {
    if (process_.hProcess != nullptr) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
}

bool KaldrinApp::start(const std::wstring& arguments) {
    return start_program(kaldrin_path(), arguments);
}

bool KaldrinApp::start_program(const std::wstring& program, const std::wstring& arguments) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring command = program_command(program, arguments);
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        work_folder().c_str(), &startup, &process_)) {
        ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
        return false;
    }
    for (DWORD waited = 0; waited < 30000; waited += POLL_MS) {
        main_ = find_top_level(process_.dwProcessId, L"NoltMedToolWnd");
        if (main_ != nullptr) break;
        if (WaitForSingleObject(process_.hProcess, POLL_MS) == WAIT_OBJECT_0) break;
    }
    if (main_ == nullptr) {
        ADD_FAILURE() << "the program showed no window of class NoltMedToolWnd";
        return false;
    }
    WaitForInputIdle(process_.hProcess, 10000);
    sync();
    return true;
}

HWND KaldrinApp::control(int id) const {
    return GetDlgItem(main_, id);
}

HWND KaldrinApp::field(int index) const {
    return control(ID_FIRST_INPUT + index);
}

std::vector<HWND> KaldrinApp::children() const {
    std::vector<HWND> found;
    for (HWND child = GetWindow(main_, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        found.push_back(child);
    }
    return found;
}

RECT KaldrinApp::client_rect_of(HWND child) const {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, main_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void KaldrinApp::sync() {
    // A marker posted behind everything else: the result field's typing limit,
    // which nothing in kaldrin.exe reads (the field is read-only). Once the
    // marker is seen, every message posted before it has been handled, or a
    // modal message box of kaldrin.exe has taken over its messages.
    HWND marker = control(ID_RESULT);
    LRESULT value = static_cast<LRESULT>(10000000u + (++barrier_ % 1000000u));
    PostMessageW(marker, EM_SETLIMITTEXT, static_cast<WPARAM>(value), 0);
    for (DWORD waited = 0; waited < 20000; waited += POLL_MS) {
        DWORD_PTR current = 0;
        if (SendMessageTimeoutW(marker, EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 1000, &current) &&
            static_cast<LRESULT>(current) == value) {
            return;
        }
        Sleep(POLL_MS);
    }
    ADD_FAILURE() << "kaldrin.exe did not handle its messages within 20 s";
}

void KaldrinApp::set_field(int index, const std::wstring& value) {
    SendMessageW(field(index), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
    sync();
}

void KaldrinApp::click(int id) {
    PostMessageW(control(id), BM_CLICK, 0, 0);
    sync();
}

void KaldrinApp::key(HWND target, UINT virtual_key) {
    UINT scan = MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtual_key, 1 | (static_cast<LPARAM>(scan) << 16));
    PostMessageW(target, WM_KEYUP, virtual_key, 1 | (static_cast<LPARAM>(scan) << 16) | (3u << 30));
    sync();
}

void KaldrinApp::key_to_focus(UINT virtual_key) {
    HWND target = focus();
    ASSERT_NE(target, nullptr) << "no window of kaldrin.exe has the keyboard focus";
    key(target, virtual_key);
}

void KaldrinApp::press_button(int id, bool down) {
    PostMessageW(control(id), BM_SETSTATE, down ? TRUE : FALSE, 0);
    sync();
}

std::wstring KaldrinApp::text(HWND window) const {
    wchar_t buffer[8192] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 5000, nullptr);
    return buffer;
}

std::wstring KaldrinApp::verdict() const {
    // The verdict label is the first static control after the input rows, at
    // (492, 142).
    for (HWND child : children()) {
        RECT r = client_rect_of(child);
        if (class_of(child) == L"Static" && r.left == 492 && r.top == 142) return text(child);
    }
    return L"<no verdict label>";
}

HWND KaldrinApp::focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(process_.dwThreadId, &info)) return nullptr;
    return info.hwndFocus;
}

bool KaldrinApp::has_message_box() const {
    return find_top_level(process_.dwProcessId, L"#32770") != nullptr;
}

ShownBox KaldrinApp::wait_message_box(DWORD timeout_ms, bool with_icon) {
    ShownBox box;
    for (DWORD waited = 0; waited <= timeout_ms && box.window == nullptr; waited += POLL_MS) {
        box.window = find_top_level(process_.dwProcessId, L"#32770");
        if (box.window == nullptr) Sleep(POLL_MS);
    }
    if (box.window == nullptr) {
        ADD_FAILURE() << "kaldrin.exe showed no message box";
        return box;
    }
    box.title = text(box.window);
    box.text = text(GetDlgItem(box.window, MESSAGE_BOX_TEXT_ID));
    for (HWND child = GetWindow(box.window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (class_of(child) == L"Button" && IsWindowVisible(child)) ++box.buttons;
    }
    // The icon, told apart by its colours: the warning triangle is yellow,
    // the information sign blue.
    HWND icon = with_icon ? GetDlgItem(box.window, MESSAGE_BOX_ICON_ID) : nullptr;
    if (icon != nullptr) {
        RedrawWindow(box.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT r = {};
        GetWindowRect(icon, &r);
        for (int attempt = 0; attempt < 100 && !box.warning_icon && !box.information_icon; ++attempt) {
            Capture c = capture_screen(r.left, r.top, r.right - r.left, r.bottom - r.top);
            int yellow = 0;
            int blue = 0;
            for (std::uint32_t p : c.pixels) {
                int red = (p >> 16) & 0xFF, green = (p >> 8) & 0xFF, b = p & 0xFF;
                if (red > 200 && green > 150 && b < 100) ++yellow;
                if (b > 150 && red < 100) ++blue;
            }
            box.warning_icon = yellow > 40 && yellow > blue;
            box.information_icon = blue > 40 && blue > yellow;
            if (!box.warning_icon && !box.information_icon) Sleep(POLL_MS);
        }
    }
    return box;
}

void KaldrinApp::dismiss(const ShownBox& box) {
    ASSERT_NE(box.window, nullptr);
    PostMessageW(GetDlgItem(box.window, IDOK), BM_CLICK, 0, 0);
    for (DWORD waited = 0; waited < 10000 && IsWindow(box.window); waited += POLL_MS) Sleep(POLL_MS);
    EXPECT_FALSE(IsWindow(box.window)) << "the message box did not close";
    sync();
}

Capture KaldrinApp::capture() {
    sync();
    RedrawWindow(main_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client = {};
    GetClientRect(main_, &client);
    POINT origin = {0, 0};
    ClientToScreen(main_, &origin);
    // What kaldrin.exe has painted reaches the X server a moment later: take
    // pictures until two in a row agree.
    Capture last = capture_screen(origin.x, origin.y, client.right, client.bottom);
    for (int attempt = 0; attempt < 100; ++attempt) {
        Sleep(30);
        Capture next = capture_screen(origin.x, origin.y, client.right, client.bottom);
        if (next.pixels == last.pixels) return next;
        last = next;
    }
    ADD_FAILURE() << "the window did not settle";
    return last;
}

bool KaldrinApp::shows_text(const PaintedText& expected) {
    const RECT& r = expected.rect;
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    Capture screen = capture();
    if (width <= 0 || height <= 0 || screen.width < r.right || screen.height < r.bottom) return false;
    PixelSurface surface(width, height);
    HDC memory = surface.memory;
    RECT local = {0, 0, width, height};
    HBRUSH background = CreateSolidBrush(RGB((expected.background >> 16) & 0xFF, (expected.background >> 8) & 0xFF,
                                             expected.background & 0xFF));
    FillRect(memory, &local, background);
    DeleteObject(background);
    HFONT font = CreateFontW(-expected.font_height, 0, 0, 0, expected.font_weight, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, expected.font_face);
    HGDIOBJ old_font = SelectObject(memory, font);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB((expected.color >> 16) & 0xFF, (expected.color >> 8) & 0xFF, expected.color & 0xFF));
    DrawTextW(memory, expected.text.c_str(), -1, &local, expected.format);
    GdiFlush();
    const std::uint32_t* drawn = surface.bits;
    RECT part = expected.compare;
    if (IsRectEmpty(&part)) part = r;
    IntersectRect(&part, &part, &r);
    bool same = true;
    bool inked = false;
    for (int y = part.top - r.top; y < part.bottom - r.top && same; ++y) {
        for (int x = part.left - r.left; x < part.right - r.left && same; ++x) {
            std::uint32_t pixel = drawn[y * width + x] & 0xFFFFFF;
            same = pixel == screen.at(r.left + x, r.top + y);
            inked = inked || pixel != expected.background;
        }
    }
    SelectObject(memory, old_font);
    DeleteObject(font);
    // A text that draws nothing (no font, empty text) proves nothing.
    return same && (inked || expected.text.empty());
}

bool KaldrinApp::status_shows(const std::wstring& status) {
    PaintedText line;
    line.text = status;
    line.rect = {740, 704, 1004, 720};
    line.font_height = 12;
    line.color = rgb(120, 132, 142);
    line.background = rgb(236, 241, 244);
    line.format = DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    return shows_text(line);
}

bool KaldrinApp::title_shows(const std::wstring& title) {
    PaintedText line;
    line.text = title;
    line.rect = {26, 12, 726, 50};
    line.compare = {26, 12, 726, 47};
    line.font_height = 27;
    line.font_weight = 700;
    line.color = rgb(255, 255, 255);
    line.background = rgb(0, 108, 150);
    return shows_text(line);
}

DWORD KaldrinApp::close() {
    PostMessageW(main_, WM_CLOSE, 0, 0);
    return wait_exit();
}

DWORD KaldrinApp::wait_exit(DWORD timeout_ms) {
    if (WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}
