// What kaldrin.exe paints: bands, panels, captions, the header texts, the
// verdict colour by level and the owner-drawn buttons, read back from the
// screen. The level-3 and default screenshots are kept under the build folder
// (tests/e2e/screenshots).

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

constexpr std::uint32_t BACKGROUND = rgb(244, 247, 249);
constexpr std::uint32_t HEADER = rgb(0, 108, 150);
constexpr std::uint32_t ACCENT = rgb(0, 132, 176);
constexpr std::uint32_t WHITE = rgb(255, 255, 255);
constexpr std::uint32_t PANEL_BORDER = rgb(218, 226, 232);
constexpr std::uint32_t CAPTION_RULE = rgb(228, 234, 238);
constexpr std::uint32_t FOOTER = rgb(236, 241, 244);
constexpr std::uint32_t MUTED = rgb(120, 132, 142);
constexpr std::uint32_t BODY = rgb(44, 56, 66);
constexpr std::uint32_t GREEN = rgb(0, 128, 96);
constexpr std::uint32_t ORANGE = rgb(214, 108, 0);
constexpr std::uint32_t RED = rgb(190, 30, 45);
constexpr std::uint32_t AMBER = rgb(176, 132, 0);

// The verdict label's rectangle.
constexpr RECT VERDICT = {492, 142, 984, 188};

int verdict_pixels(const Capture& picture, std::uint32_t color) {
    return picture.count(color, VERDICT.left, VERDICT.top, VERDICT.right, VERDICT.bottom);
}

#define EXPECT_PIXEL(picture, x, y, color) \
    EXPECT_EQ(rgb_text((picture).at(x, y)), rgb_text(color)) << "at (" << (x) << ", " << (y) << ")"

}  // namespace

TEST(Painting, Level3ScreenshotBandsPanelsAndRedVerdict) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    app.set_field(0, L"10");
    app.click(ID_COMPUTE);
    ASSERT_EQ(app.verdict(), L"CrCl<15，NOAC 禁用，改用其他抗凝方案");
    Capture picture = app.capture();
    save_screenshot(picture, L"level3.bmp");

    EXPECT_PIXEL(picture, 5, 300, BACKGROUND);     // left of the panels
    EXPECT_PIXEL(picture, 468, 300, BACKGROUND);   // between the panels
    EXPECT_PIXEL(picture, 400, 4, HEADER);         // header band
    EXPECT_PIXEL(picture, 900, 80, HEADER);
    EXPECT_PIXEL(picture, 3, 40, ACCENT);          // accent bar
    EXPECT_PIXEL(picture, 7, 87, ACCENT);
    EXPECT_PIXEL(picture, 8, 87, HEADER);
    EXPECT_PIXEL(picture, 200, 400, WHITE);        // left panel
    EXPECT_PIXEL(picture, 990, 300, WHITE);        // right panel
    EXPECT_PIXEL(picture, 700, 640, WHITE);
    EXPECT_PIXEL(picture, 20, 300, PANEL_BORDER);  // panel outlines
    EXPECT_PIXEL(picture, 459, 300, PANEL_BORDER);
    EXPECT_PIXEL(picture, 476, 500, PANEL_BORDER);
    EXPECT_PIXEL(picture, 700, 647, PANEL_BORDER);
    EXPECT_PIXEL(picture, 400, 133, CAPTION_RULE); // rules under the captions
    EXPECT_PIXEL(picture, 900, 133, CAPTION_RULE);
    EXPECT_PIXEL(picture, 900, 680, FOOTER);       // footer band
    EXPECT_PIXEL(picture, 10, 715, FOOTER);
    EXPECT_PIXEL(picture, 400, 655, BACKGROUND);   // between panels and footer

    // The verdict text is red, with no trace of another level's colour.
    EXPECT_GT(verdict_pixels(picture, RED), 100);
    EXPECT_EQ(verdict_pixels(picture, GREEN), 0);
    EXPECT_EQ(verdict_pixels(picture, ORANGE), 0);
    // Result and note in body text, on white.
    EXPECT_GT(picture.count(BODY, 494, 198, 964, 426), 20);
    EXPECT_GT(picture.count(BODY, 492, 444, 984, 564), 20);
    // Labels, units and the basis in the muted colour.
    EXPECT_GT(picture.count(MUTED, 24, 151, 208, 173), 10);
    EXPECT_GT(picture.count(MUTED, 374, 150, 452, 172), 5);
    EXPECT_GT(picture.count(MUTED, 492, 576, 984, 632), 20);
    EXPECT_EQ(picture.count(BODY, 492, 576, 984, 632), 0);
    EXPECT_EQ(app.close(), 0u);
}

TEST(Painting, VerdictColourFollowsTheLevel) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    // The prompt at start is green.
    Capture start = app.capture();
    EXPECT_GT(verdict_pixels(start, GREEN), 100);

    app.set_field(0, L"40");
    app.set_field(1, L"85");
    app.click(ID_COMPUTE);
    Capture level2 = app.capture();
    EXPECT_GT(verdict_pixels(level2, ORANGE), 100);
    EXPECT_EQ(verdict_pixels(level2, GREEN), 0);

    app.set_field(0, L"10");
    app.click(ID_COMPUTE);
    Capture level3 = app.capture();
    EXPECT_GT(verdict_pixels(level3, RED), 100);
    EXPECT_EQ(verdict_pixels(level3, ORANGE), 0);

    // Back to the defaults: green again, with no amber anywhere.
    app.set_field(0, L"70");
    app.set_field(1, L"70");
    app.click(ID_COMPUTE);
    Capture defaults = app.capture();
    save_screenshot(defaults, L"defaults.bmp");
    EXPECT_GT(verdict_pixels(defaults, GREEN), 100);
    EXPECT_EQ(verdict_pixels(defaults, RED), 0);
    EXPECT_EQ(verdict_pixels(defaults, AMBER), 0);

    // A reset after a red verdict shows the prompt in green.
    app.set_field(0, L"10");
    app.click(ID_COMPUTE);
    app.click(ID_RESET);
    Capture reset = app.capture();
    EXPECT_GT(verdict_pixels(reset, GREEN), 100);
    EXPECT_EQ(verdict_pixels(reset, RED), 0);
    EXPECT_EQ(app.close(), 0u);
}

TEST(Painting, HeaderAndCaptionTexts) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    RECT client = {};
    GetClientRect(app.window(), &client);
    const int W = client.right;

    EXPECT_TRUE(app.title_shows(L"Kaldrin"));
    EXPECT_FALSE(app.title_shows(L"Kaldrim"));

    PaintedText subtitle;
    subtitle.text = L"抗凝  ·  按肾功能、年龄、体重核查 NOAC 剂量";
    subtitle.rect = {28, 48, 748, 76};
    subtitle.compare = {28, 51, 748, 76};
    subtitle.font_height = 14;
    subtitle.color = rgb(214, 236, 246);
    subtitle.background = HEADER;
    EXPECT_TRUE(app.shows_text(subtitle));

    PaintedText address;
    address.text = L"www.noltmed.example";
    address.rect = {W - 240, 8, W - 26, 34};
    address.font_height = 12;
    address.color = rgb(190, 220, 235);
    address.background = HEADER;
    address.format = DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
    EXPECT_TRUE(app.shows_text(address));
    address.text = L"www.noltmed.exampIe";
    EXPECT_FALSE(app.shows_text(address));

    PaintedText inputs;
    inputs.text = L"输入参数";
    inputs.rect = {36, 104, 336, 134};
    inputs.compare = {36, 104, 336, 133};
    inputs.font_height = 14;
    inputs.color = HEADER;
    inputs.background = WHITE;
    EXPECT_TRUE(app.shows_text(inputs));
    PaintedText results = inputs;
    results.text = L"计算结果";
    results.rect = {492, 104, 792, 134};
    results.compare = {492, 104, 792, 133};
    EXPECT_TRUE(app.shows_text(results));
    EXPECT_EQ(app.close(), 0u);
}

TEST(Painting, OwnerDrawnButtonsAndTheirPressedFaces) {
    KaldrinApp app;
    ASSERT_TRUE(app.start());
    Capture normal = app.capture();
    EXPECT_PIXEL(normal, 30, 675, rgb(0, 122, 168));   // Compute face
    EXPECT_PIXEL(normal, 20, 668, rgb(0, 106, 148));   // Compute border
    EXPECT_PIXEL(normal, 171, 707, rgb(0, 106, 148));
    EXPECT_GT(normal.count(WHITE, 20, 668, 172, 708), 20);  // white caption
    for (int left : {184, 328, 472, 616}) {
        EXPECT_PIXEL(normal, left + 6, 675, WHITE);
        EXPECT_PIXEL(normal, left, 668, rgb(206, 216, 224));
        EXPECT_GT(normal.count(BODY, left, 668, left + 110, 708), 10);
    }

    app.press_button(ID_COMPUTE, true);
    app.press_button(ID_COPY, true);
    Capture pressed = app.capture();
    EXPECT_PIXEL(pressed, 30, 675, rgb(0, 100, 138));
    EXPECT_PIXEL(pressed, 20, 668, rgb(0, 106, 148));
    EXPECT_GT(pressed.count(WHITE, 20, 668, 172, 708), 20);
    EXPECT_PIXEL(pressed, 334, 675, rgb(226, 234, 240));
    EXPECT_PIXEL(pressed, 328, 668, rgb(206, 216, 224));
    EXPECT_PIXEL(pressed, 190, 675, WHITE);

    app.press_button(ID_COMPUTE, false);
    app.press_button(ID_COPY, false);
    Capture released = app.capture();
    EXPECT_PIXEL(released, 30, 675, rgb(0, 122, 168));
    EXPECT_PIXEL(released, 334, 675, WHITE);
    EXPECT_EQ(app.close(), 0u);
}
