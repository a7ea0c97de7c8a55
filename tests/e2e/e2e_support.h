#pragma once
// End-to-end tests of the real kaldrin.exe (and of the second tool's program,
// tests/second_tool): a Windows program (GoogleTest) that runs under Wine
// inside an Xvfb server of its own, started by run-e2e.sh.
//
// Adding tests: put a file tests/e2e/<topic>_test.cpp beside this header; it
// is built into the same driver and runs with `make test` (CTest test "e2e").
// A test usually looks like this:
//
//     #include "tests/e2e/e2e_support.h"
//
//     TEST(Topic, Something) {
//         KaldrinApp app;
//         ASSERT_TRUE(app.start());            // kaldrin.exe, window found
//         app.set_field(1, L"85");             // second input field
//         app.click(ID_COMPUTE);               // ids from ui/layout.h
//         EXPECT_EQ(app.verdict(), L"...");
//         ShownBox box = app.wait_message_box();  // title, text, icon
//         app.dismiss(box);
//         EXPECT_EQ(app.close(), 0u);          // WM_CLOSE, exit code
//     }
//
// Commands and keys are posted, as the user's clicks and keys would arrive;
// every helper that reads state first waits until kaldrin.exe has handled
// what was posted before (KaldrinApp::sync), so tests need no sleeps. A
// command that opens a message box has run up to that box once sync returns.
//
// Files: work_path() names a file in a folder that run-e2e.sh empties before
// each run (<build>/tests/e2e/work); kaldrin_path() is the program under test.
// The Wine prefix (<build>/tests/e2e/wineprefix, with the font replacements)
// is kept between runs, so records the save command writes under its local
// application-data folder stay: a test removes what it needs to be absent.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/layout.h"  // the control identifiers

// An environment variable of the driver ("" when unset).
std::wstring environment(const wchar_t* name);

// The program under test and this run's work folder (Windows paths).
const std::wstring& kaldrin_path();
// The second tool's program (tests/second_tool), from KALDRIN_SECOND_TOOL_EXE;
// empty when run-e2e.sh was not given one.
const std::wstring& second_tool_path();
const std::wstring& work_folder();
std::wstring work_path(const std::wstring& name);

// Runs kaldrin.exe with the given command line (exactly as given, the program
// name included) in the given current folder and waits for it to end.
struct ProcessResult {
    bool finished;   // false: still running after the timeout (then killed)
    DWORD exit_code;
};
ProcessResult run_kaldrin(const std::wstring& command_line, const std::wstring& current_folder,
                          DWORD timeout_ms = 30000);
// The same for a copy of the program elsewhere.
ProcessResult run_program(const std::wstring& program, const std::wstring& command_line,
                          const std::wstring& current_folder, DWORD timeout_ms = 30000);

// The command line of a program with its quoted path and the arguments, and
// the same for kaldrin.exe.
std::wstring program_command(const std::wstring& program, const std::wstring& arguments);
std::wstring kaldrin_command(const std::wstring& arguments);

// The program's version as major.minor, with .patch when it is not 0 ("1.0",
// "1.0.1"), formatted here from the numbers of the generated version header,
// as the About box and the file's properties show it.
std::wstring version_text();

// A new empty folder in the work folder; returns its path.
std::wstring make_work_folder(const std::wstring& name);

// The local application-data folder as the shell reports it ("" when it
// reports none), the suite's folder in it and the record folder.
std::wstring local_app_data();
std::wstring suite_folder();
std::wstring records_folder();

// Files, by Windows path.
std::string read_file_bytes(const std::wstring& path);  // "<missing>" when it cannot be read
bool file_exists(const std::wstring& path);
void delete_file(const std::wstring& path);

// The clipboard's Unicode text ("<none>" when it holds none), and setting it.
std::wstring read_clipboard_text();
bool write_clipboard_text(const std::wstring& text);

// A message box of kaldrin.exe.
struct ShownBox {
    HWND window = nullptr;
    std::wstring title;
    std::wstring text;
    int buttons = 0;        // number of push buttons in it
    bool warning_icon = false;
    bool information_icon = false;
};

// Pixels of a screen area, read back from the X server through GDI.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // Number of pixels of exactly this colour inside the rectangle.
    int count(std::uint32_t rgb, int left, int top, int right, int bottom) const;
    bool save_bmp(const std::wstring& path) const;
};
constexpr std::uint32_t rgb(int r, int g, int b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
           static_cast<std::uint32_t>(b);
}
std::string rgb_text(std::uint32_t color);
// Saves a picture as <name> in the screenshot folder of this run.
void save_screenshot(const Capture& picture, const wchar_t* name);

// A text as kaldrin.exe paints it: DrawTextW in a client rectangle on a plain
// background, with a font made like the window's fonts.
struct PaintedText {
    std::wstring text;
    RECT rect = {};                   // client coordinates
    RECT compare = {};                // the part compared; empty: all of rect
    int font_height = 12;             // pixels
    int font_weight = 400;
    const wchar_t* font_face = L"Microsoft YaHei UI";
    std::uint32_t color = 0;          // rgb()
    std::uint32_t background = 0;     // rgb()
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
};

// One running kaldrin.exe with its main window. The destructor ends a process
// that is still running.
class KaldrinApp {
public:
    KaldrinApp() = default;
    KaldrinApp(const KaldrinApp&) = delete;
    KaldrinApp& operator=(const KaldrinApp&) = delete;
    ~KaldrinApp();

    // Starts kaldrin.exe (arguments after its quoted path) and waits until
    // its main window of class NoltMedToolWnd exists and is idle.
    bool start(const std::wstring& arguments = L"");
    // The same for another program built on the same window code.
    bool start_program(const std::wstring& program, const std::wstring& arguments = L"");

    HWND window() const { return main_; }
    DWORD process_id() const { return process_.dwProcessId; }
    HWND control(int id) const;          // child by control identifier
    HWND field(int index) const;         // input field index (0-based)
    std::vector<HWND> children() const;  // in creation order
    RECT client_rect_of(HWND child) const;  // in the main window's client coordinates

    // Waits until kaldrin.exe has handled every message posted to it so far.
    void sync();

    // Input, as the user gives it. Each waits for it to be handled.
    void set_field(int index, const std::wstring& text);
    void click(int id);                  // a click on a button (BM_CLICK)
    void key(HWND target, UINT virtual_key);  // WM_KEYDOWN and WM_KEYUP posted to target
    void key_to_focus(UINT virtual_key); // to the window with the keyboard focus
    void press_button(int id, bool down);  // BM_SETSTATE: the button's held-down look

    // State.
    std::wstring text(HWND window) const;
    std::wstring field_text(int index) const { return text(field(index)); }
    std::wstring verdict() const;
    std::wstring result() const { return text(control(ID_RESULT)); }
    HWND focus() const;                  // keyboard focus of kaldrin.exe's thread

    // Message boxes. wait_message_box fails the test when none comes.
    bool has_message_box() const;
    // Telling the icon apart reads the screen, which takes a while; a test
    // that needs only the title and text can do without it.
    ShownBox wait_message_box(DWORD timeout_ms = 10000, bool with_icon = true);
    void dismiss(const ShownBox& box);  // presses its OK button

    // The main window's client area as it is on the screen.
    Capture capture();
    // True when text drawn by the driver the way described looks pixel for
    // pixel like that rectangle of the window: the way to read what
    // kaldrin.exe paints itself (header, captions, status line).
    bool shows_text(const PaintedText& expected);
    // The same for the status line in the footer and the title in the header.
    bool status_shows(const std::wstring& status);
    bool title_shows(const std::wstring& title);

    // Closes the window as the user would and returns the exit code; 259
    // (STILL_ACTIVE) when the process does not end.
    DWORD close();
    // Waits for the process to end and returns its exit code; 259
    // (STILL_ACTIVE) when it does not end in time.
    DWORD wait_exit(DWORD timeout_ms = 15000);

private:
    PROCESS_INFORMATION process_ = {};
    HWND main_ = nullptr;
    unsigned barrier_ = 0;
};
