// The window's commands driven like a user: compute by button, F5 and Enter,
// the refusal of a non-number, copy, reset and About.

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

const std::wstring DEFAULT_RESULT = L"减量条件数：0 项\r\n阿哌沙班剂量：5.0 mg bid\r\n";
const std::wstring DEFAULT_VERDICT = L"按标准剂量使用，定期复查肾功能";
const std::wstring REDUCED_RESULT = L"减量条件数：2 项\r\n阿哌沙班剂量：2.5 mg bid\r\n";
const std::wstring REDUCED_VERDICT = L"满足 2 项减量条件，使用低剂量并复查肾功";
const std::wstring CONTRAINDICATED_VERDICT = L"CrCl<15，NOAC 禁用，改用其他抗凝方案";
const std::wstring PROMPT = L"填写左侧参数，点击“计算”";
const std::wstring NOTE = L"严重肾功能不全、机械瓣、抗磷脂综合征患者禁用 NOAC。";

std::string utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::wstring record_file() {
    return records_folder() + L"\\T051.csv";
}

}  // namespace

TEST(Compute, ButtonAtDefaults) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    EXPECT_TRUE(app.status_shows(L"就绪：填写参数后按 F5 或点击“计算”"));
    app.click(ID_COMPUTE);
    EXPECT_EQ(app.result(), DEFAULT_RESULT);
    EXPECT_EQ(app.verdict(), DEFAULT_VERDICT);
    EXPECT_TRUE(app.status_shows(L"计算完成  Kaldrin"));
    EXPECT_FALSE(app.status_shows(L"计算完成  Kaldrim"));
    EXPECT_FALSE(app.has_message_box());
    // The focus is left on the main window itself.
    EXPECT_EQ(app.focus(), app.window());
    EXPECT_EQ(app.close(), 0u);
}

TEST(Compute, F5AndEnterComputeOnlyFromAControl) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    ASSERT_EQ(app.focus(), app.field(0));
    app.set_field(0, L"40");
    app.set_field(1, L"85");
    app.key_to_focus(VK_F5);
    EXPECT_EQ(app.result(), REDUCED_RESULT);
    EXPECT_EQ(app.verdict(), REDUCED_VERDICT);
    // The key was swallowed: the field kept its text.
    EXPECT_EQ(app.field_text(0), L"40");
    ASSERT_EQ(app.focus(), app.window());

    // With the focus on the main window, F5 and Enter do nothing.
    app.set_field(0, L"10");
    app.key_to_focus(VK_F5);
    app.key_to_focus(VK_RETURN);
    EXPECT_EQ(app.verdict(), REDUCED_VERDICT);
    EXPECT_EQ(app.result(), REDUCED_RESULT);

    // Enter in a field computes again.
    app.key(app.field(2), VK_RETURN);
    EXPECT_EQ(app.verdict(), CONTRAINDICATED_VERDICT);
    EXPECT_EQ(app.result(), L"减量条件数：2 项\r\n阿哌沙班剂量：-- mg bid\r\n（部分结果无法计算，请检查输入是否合理）\r\n");

    // F5 in the read-only result field computes too.
    app.set_field(0, L"70");
    app.set_field(1, L"70");
    app.key(app.control(ID_RESULT), VK_F5);
    EXPECT_EQ(app.verdict(), DEFAULT_VERDICT);
    EXPECT_EQ(app.close(), 0u);
}

TEST(Compute, BlankLettersAndNumberPrefixes) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    // Empty, blank and letters read as 0 without a message: CrCl 0 is
    // contraindicated, with no dose beside it, and weight 0 counts as a
    // reduction criterion.
    app.set_field(0, L"");
    app.set_field(1, L"   ");
    app.set_field(2, L"abc");
    app.click(ID_COMPUTE);
    EXPECT_FALSE(app.has_message_box());
    EXPECT_EQ(app.verdict(), CONTRAINDICATED_VERDICT);
    EXPECT_EQ(app.result(), L"减量条件数：2 项\r\n阿哌沙班剂量：-- mg bid\r\n（部分结果无法计算，请检查输入是否合理）\r\n");

    // A number is read up to the first character that cannot continue it;
    // 0x20 is 32.
    app.set_field(0, L"0x20");
    app.set_field(1, L"80岁");
    app.set_field(2, L"65.0kg");
    app.click(ID_COMPUTE);
    EXPECT_EQ(app.verdict(), REDUCED_VERDICT);

    // Full-width digits, point and blanks from a Chinese input method read as
    // their ASCII forms: ４０, ８５ and ６５．０ are 40, 85 and 65.
    app.click(1004);
    app.set_field(0, L"\uFF14\uFF10");
    app.set_field(1, L"\u3000\uFF18\uFF15");
    app.set_field(2, L"\uFF16\uFF15\uFF0E\uFF10");
    app.click(1001);
    EXPECT_FALSE(app.has_message_box());
    EXPECT_EQ(app.verdict(), REDUCED_VERDICT);
    EXPECT_EQ(app.result(), REDUCED_RESULT);

    // Numbers pasted from a web page or a lab report: a no-break space
    // before or after the number, the narrow one before the weight.
    app.set_field(0, L"40\u00A0");
    app.set_field(1, L"\u00A0" L"85");
    app.set_field(2, L"\u202F" L"65");
    app.click(ID_COMPUTE);
    EXPECT_FALSE(app.has_message_box());
    EXPECT_EQ(app.verdict(), REDUCED_VERDICT);
    EXPECT_EQ(app.result(), REDUCED_RESULT);

    // What pasted text carries unseen around and inside a number, and points
    // that only look like one: the weight is 65 and 60.5, above 60, so one
    // criterion and the standard dose.
    for (const wchar_t* weight : {L"\u200B" L"65", L"\u202A" L"6\u200B" L"5\u202C", L"\uFEFF" L"65\u200E",
                                  L"60\uFE52" L"5", L"60\u2024" L"5"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(weight)));
        app.set_field(1, L"70");
        app.set_field(2, weight);
        app.click(ID_COMPUTE);
        EXPECT_FALSE(app.has_message_box());
        EXPECT_EQ(app.result(), L"减量条件数：1 项\r\n阿哌沙班剂量：5.0 mg bid\r\n");
    }
    EXPECT_EQ(app.close(), 0u);
}

TEST(Compute, NonNumberIsRefusedAndTheLastResultStays) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.set_field(0, L"40");
    app.set_field(1, L"85");
    app.click(ID_COMPUTE);
    ASSERT_EQ(app.verdict(), REDUCED_VERDICT);

    struct Case {
        int field;
        const wchar_t* text;
        const wchar_t* message;
    };
    // A field longer than the 127 characters that are read is refused, never
    // computed from its cut text (which would read as 0 or as 7.8e126).
    const std::wstring zeros_then_70 = std::wstring(200, L'0') + L"70";
    const std::wstring sevens(400, L'7');
    const wchar_t* const CONTINUED_WEIGHT =
        L"第 3 项“体重”请输入一个完整的数字：小数点请用“.”，不要用逗号或顿号分隔，零请用数字 0 而非字母 O。";
    const Case cases[] = {
        {1, L"inf", L"第 2 项“年龄”请输入数字。"},
        {0, L"1e400", L"第 1 项“肌酐清除率”请输入数字。"},
        {2, L"NaN", L"第 3 项“体重”请输入数字。"},
        {1, L"-Infinity", L"第 2 项“年龄”请输入数字。"},
        {0, zeros_then_70.c_str(), L"第 1 项“肌酐清除率”请输入数字。"},
        {2, sevens.c_str(), L"第 3 项“体重”请输入数字。"},
        // A number typed one key off is refused, never cut to its first part.
        {2, L"60,5", CONTINUED_WEIGHT},
        {2, L"\uFF16\uFF10\uFF0C\uFF15", CONTINUED_WEIGHT},
        {1, L"8O", L"第 2 项“年龄”请输入一个完整的数字：小数点请用“.”，不要用逗号或顿号分隔，零请用数字 0 而非字母 O。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        app.set_field(c.field, c.text);
        app.click(ID_COMPUTE);
        ShownBox box = app.wait_message_box();
        EXPECT_EQ(box.title, L"输入有误");
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(box.buttons, 1);
        EXPECT_TRUE(box.warning_icon);
        // The box is modal: the main window is disabled while it is open.
        EXPECT_FALSE(IsWindowEnabled(app.window()));
        app.dismiss(box);
        EXPECT_EQ(app.focus(), app.field(c.field));
        EXPECT_EQ(app.verdict(), REDUCED_VERDICT);
        EXPECT_EQ(app.result(), REDUCED_RESULT);
        EXPECT_TRUE(app.status_shows(L"计算完成  Kaldrin"));
        app.set_field(c.field, c.field == 0 ? L"40" : c.field == 1 ? L"85" : L"65");
    }
    EXPECT_EQ(app.close(), 0u);
}

TEST(Compute, RefusedComputationKeepsTheRecordedValues) {
    // The save after a refused computation records the values that belong to
    // the result on screen, not the ones typed since.
    std::wstring file = record_file();
    delete_file(file);
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.set_field(0, L"40");
    app.set_field(1, L"85");
    app.click(ID_COMPUTE);
    ASSERT_EQ(app.verdict(), REDUCED_VERDICT);

    app.set_field(0, L"99");
    app.set_field(1, L"inf");
    app.click(ID_COMPUTE);
    ShownBox refused = app.wait_message_box();
    ASSERT_EQ(refused.title, L"输入有误");
    app.dismiss(refused);

    app.click(ID_SAVE);
    ShownBox saved = app.wait_message_box();
    EXPECT_EQ(saved.title, L"已保存");
    app.dismiss(saved);
    std::string bytes = read_file_bytes(file);
    EXPECT_NE(bytes.find(utf8(L",肌酐清除率=40,年龄=85,体重=65,")), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find(utf8(L"=99")), std::string::npos) << bytes;
    EXPECT_EQ(app.close(), 0u);
    delete_file(file);
}

TEST(Copy, RefusedWithoutAResult) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(write_clipboard_text(L"before"));
    app.click(ID_COPY);
    ShownBox box = app.wait_message_box();
    EXPECT_EQ(box.title, L"提示");
    EXPECT_EQ(box.text, L"请先点击“计算”生成结果。");
    EXPECT_EQ(box.buttons, 1);
    EXPECT_TRUE(box.information_icon);
    app.dismiss(box);
    EXPECT_EQ(read_clipboard_text(), L"before");
    EXPECT_TRUE(app.status_shows(L"就绪：填写参数后按 F5 或点击“计算”"));
    EXPECT_EQ(app.close(), 0u);
}

TEST(Copy, PutsNameAndSummaryOnTheClipboard) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    // Editing a field afterwards does not change what is copied.
    app.set_field(0, L"10");
    app.click(ID_COPY);
    EXPECT_FALSE(app.has_message_box());
    EXPECT_EQ(read_clipboard_text(), L"Kaldrin\r\n" + DEFAULT_RESULT + L"—— " + DEFAULT_VERDICT);
    EXPECT_TRUE(app.status_shows(L"结果已复制到剪贴板"));
    EXPECT_EQ(app.close(), 0u);
}

TEST(Copy, BusyClipboardKeepsItsTextAndTheStatusSaysSo) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_COMPUTE);
    ASSERT_TRUE(write_clipboard_text(L"患者原有的剪贴板内容"));
    // Another program holds the clipboard open while the user copies.
    HWND holder = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(OpenClipboard(holder));
    app.click(ID_COPY);
    CloseClipboard();
    DestroyWindow(holder);
    EXPECT_FALSE(app.has_message_box());
    EXPECT_TRUE(app.status_shows(L"复制失败：剪贴板暂不可用，请重试"));
    EXPECT_EQ(read_clipboard_text(), L"患者原有的剪贴板内容");

    // Once the clipboard is free again, copying works.
    app.click(ID_COPY);
    EXPECT_EQ(read_clipboard_text(), L"Kaldrin\r\n" + DEFAULT_RESULT + L"—— " + DEFAULT_VERDICT);
    EXPECT_TRUE(app.status_shows(L"结果已复制到剪贴板"));
    EXPECT_EQ(app.close(), 0u);
}

TEST(Reset, RestoresDefaultsAndForgetsTheResult) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.set_field(0, L"10");
    app.set_field(1, L"90");
    app.set_field(2, L"50");
    app.click(ID_COMPUTE);
    ASSERT_EQ(app.verdict(), CONTRAINDICATED_VERDICT);

    app.click(ID_RESET);
    EXPECT_EQ(app.field_text(0), L"70");
    EXPECT_EQ(app.field_text(1), L"70");
    EXPECT_EQ(app.field_text(2), L"65");
    EXPECT_EQ(app.result(), L"");
    EXPECT_EQ(app.verdict(), PROMPT);
    EXPECT_TRUE(app.status_shows(L"已恢复默认值"));

    // No result any more: copy refuses although a summary was made before.
    app.click(ID_COPY);
    ShownBox box = app.wait_message_box();
    EXPECT_EQ(box.title, L"提示");
    EXPECT_EQ(box.text, L"请先点击“计算”生成结果。");
    app.dismiss(box);
    EXPECT_EQ(app.close(), 0u);
}

TEST(Reset, WorksBeforeAnyComputation) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.set_field(1, L"");
    app.click(ID_RESET);
    EXPECT_EQ(app.field_text(1), L"70");
    EXPECT_EQ(app.verdict(), PROMPT);
    EXPECT_TRUE(app.status_shows(L"已恢复默认值"));
    EXPECT_FALSE(app.has_message_box());
    EXPECT_EQ(app.close(), 0u);
}

TEST(About, ShowsTheToolVersionAndWebAddress) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.click(ID_ABOUT);
    ShownBox box = app.wait_message_box();
    EXPECT_EQ(box.title, L"关于本工具");
    EXPECT_EQ(box.text,
              L"Kaldrin\r\n"
              L"\r\n"
              L"分类：抗凝\r\n"
              L"参考依据：阿哌沙班：CrCl、年龄≥80、体重≤60kg 满足 2 项者 2.5mg bid；CrCl 15–29 者 2.5mg bid（欧盟说明书 4.2）\r\n"
              L"\r\n"
              L"本工具为临床辅助计算/记录工具，结果不能替代医师诊疗判断，\r\n"
              L"具体用药与处置请结合患者实际情况及本院规范执行。\r\n"
              L"\r\n"
              L"版本 V" + version_text() + L"    官网：www.noltmed.example");
    EXPECT_EQ(box.buttons, 1);
    EXPECT_TRUE(box.information_icon);
    EXPECT_EQ(GetWindow(box.window, GW_OWNER), app.window());
    app.dismiss(box);
    EXPECT_TRUE(app.status_shows(L"就绪：填写参数后按 F5 或点击“计算”"));
    EXPECT_EQ(app.close(), 0u);
}
