// The main window of kaldrin.exe: class, style, size, controls, and the
// painted header, panels and footer.

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

struct ExpectedControl {
    const wchar_t* class_name;
    DWORD ex_style;
    DWORD style;
    int left, top, width, height;
    int id;
    const wchar_t* text;
};

// Tool 51 in creation order: three input rows, the right panel, the buttons.
const ExpectedControl TOOL51_CONTROLS[] = {
    {L"Static", 0, 0x50000002, 24, 151, 184, 22, 0, L"肌酐清除率"},
    {L"Edit", 0x200, 0x50000080, 216, 146, 152, 27, ID_FIRST_INPUT + 0, L"70"},
    {L"Static", 0, 0x50000000, 374, 150, 78, 22, 0, L"ml/min"},
    {L"Static", 0, 0x50000002, 24, 185, 184, 22, 0, L"年龄"},
    {L"Edit", 0x200, 0x50000080, 216, 180, 152, 27, ID_FIRST_INPUT + 1, L"70"},
    {L"Static", 0, 0x50000000, 374, 184, 78, 22, 0, L"岁"},
    {L"Static", 0, 0x50000002, 24, 219, 184, 22, 0, L"体重"},
    {L"Edit", 0x200, 0x50000080, 216, 214, 152, 27, ID_FIRST_INPUT + 2, L"65"},
    {L"Static", 0, 0x50000000, 374, 218, 78, 22, 0, L"kg"},
    {L"Static", 0, 0x50000000, 492, 142, 492, 46, 0, L"填写左侧参数，点击“计算”"},
    {L"Edit", 0x200, 0x50200844, 492, 196, 492, 232, ID_RESULT, L""},
    {L"Static", 0, 0x50000000, 492, 444, 492, 120, 0, L"严重肾功能不全、机械瓣、抗磷脂综合征患者禁用 NOAC。"},
    {L"Static", 0, 0x50000000, 492, 576, 492, 56, 0,
     L"参考依据：阿哌沙班：CrCl、年龄≥80、体重≤60kg 满足 2 项者 2.5mg bid；CrCl 15–29 者 2.5mg bid（欧盟说明书 4.2）"},
    {L"Button", 0, 0x5000000B, 20, 668, 152, 40, ID_COMPUTE, L"计算 (F5)"},
    {L"Button", 0, 0x5000000B, 184, 668, 132, 40, ID_SAVE, L"保存记录"},
    {L"Button", 0, 0x5000000B, 328, 668, 132, 40, ID_COPY, L"复制结果"},
    {L"Button", 0, 0x5000000B, 472, 668, 132, 40, ID_RESET, L"清空重填"},
    {L"Button", 0, 0x5000000B, 616, 668, 110, 40, ID_ABOUT, L"关于"},
};

std::wstring class_name(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

}  // namespace

TEST(MainWindow, ClassTitleAndStyle) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    HWND window = app.window();
    EXPECT_EQ(class_name(window), L"NoltMedToolWnd");
    EXPECT_EQ(app.text(window), L"Kaldrin");
    DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    // A caption with the system menu and a minimize box; no sizing border and
    // no maximize box.
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0x00CA0000u);
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetClassLongW(window, GCL_STYLE), 0u);
    EXPECT_EQ(app.close(), 0u);
}

TEST(MainWindow, FixedSizeThatCannotBeResizedOrMaximized) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    HWND window = app.window();
    RECT outer = {};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 1036);
    EXPECT_EQ(outer.bottom - outer.top, 780);
    EXPECT_GE(outer.left, 0);
    EXPECT_GE(outer.top, 0);
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_GE(client.right, 1020);
    EXPECT_GE(client.bottom, 720);

    // The tracking size is pinned both ways; the other members stay.
    MINMAXINFO info = {};
    info.ptMaxSize = {1111, 2222};
    info.ptMinTrackSize = {1, 2};
    info.ptMaxTrackSize = {3, 4};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, 1036);
    EXPECT_EQ(info.ptMinTrackSize.y, 780);
    EXPECT_EQ(info.ptMaxTrackSize.x, 1036);
    EXPECT_EQ(info.ptMaxTrackSize.y, 780);
    EXPECT_EQ(info.ptMaxSize.x, 1111);
    EXPECT_EQ(info.ptMaxSize.y, 2222);

    // Resizing leaves the size as it is.
    SetWindowPos(window, nullptr, 0, 0, 1200, 900, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    app.sync();
    RECT after = {};
    GetWindowRect(window, &after);
    EXPECT_EQ(after.right - after.left, 1036);
    EXPECT_EQ(after.bottom - after.top, 780);

    // A double click on the caption does not maximize a window without a
    // maximize box.
    POINT caption = {outer.left + 300, outer.top + 8};
    PostMessageW(window, WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(caption.x, caption.y));
    app.sync();
    EXPECT_FALSE(IsZoomed(window));
    GetWindowRect(window, &after);
    EXPECT_EQ(after.right - after.left, 1036);

    // Minimize and restore work.
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    app.sync();
    EXPECT_TRUE(IsIconic(window));
    PostMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    app.sync();
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(app.close(), 0u);
}

TEST(MainWindow, ControlsOfTool51) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    std::vector<HWND> children = app.children();
    ASSERT_EQ(children.size(), sizeof TOOL51_CONTROLS / sizeof TOOL51_CONTROLS[0]);
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ExpectedControl& expected = TOOL51_CONTROLS[i];
        HWND child = children[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " " << testing::PrintToString(std::wstring(expected.text)));
        EXPECT_EQ(class_name(child), expected.class_name);
        EXPECT_EQ(GetDlgCtrlID(child), expected.id);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE)), expected.style);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE)) & 0x200u, expected.ex_style);
        RECT r = app.client_rect_of(child);
        EXPECT_EQ(r.left, expected.left);
        EXPECT_EQ(r.top, expected.top);
        EXPECT_EQ(r.right - r.left, expected.width);
        EXPECT_EQ(r.bottom - r.top, expected.height);
        EXPECT_EQ(app.text(child), expected.text);
    }
    // The first input field has the keyboard focus.
    EXPECT_EQ(app.focus(), app.field(0));
    EXPECT_EQ(app.close(), 0u);
}
