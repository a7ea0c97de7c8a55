#include <gtest/gtest.h>

#include <string>

#include "core/utf8.h"

namespace {

std::string utf8(const std::wstring& text) {
    std::string out;
    EXPECT_TRUE(write_utf8(text.data(), text.size(), append_to_string, &out));
    return out;
}

TEST(Utf8, EncodesTheProgramsTexts) {
    EXPECT_EQ(utf8(L"TOOL|51"), "TOOL|51");
    EXPECT_EQ(utf8(L"抗凝"), "\xE6\x8A\x97\xE5\x87\x9D");
    EXPECT_EQ(utf8(L"：·é"), "\xEF\xBC\x9A\xC2\xB7\xC3\xA9");
    EXPECT_EQ(utf8(std::wstring(L"a\0b", 3)), std::string("a\0b", 3));
}

TEST(Utf8, CharactersBeyondTheBasicPlaneAndBrokenUnits) {
    // U+1F600, written the way this platform's wchar_t holds it.
    std::wstring emoji = sizeof(wchar_t) == 2 ? std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00)}
                                              : std::wstring{static_cast<wchar_t>(0x1F600)};
    EXPECT_EQ(utf8(emoji), "\xF0\x9F\x98\x80");
    // A lone surrogate becomes U+FFFD instead of invalid bytes.
    EXPECT_EQ(utf8(std::wstring{static_cast<wchar_t>(0xD800), L'x'}), "\xEF\xBF\xBDx");
    EXPECT_EQ(utf8(std::wstring{static_cast<wchar_t>(0xDC00)}), "\xEF\xBF\xBD");
}

TEST(Utf8, LongTextsAreWrittenWholeInChunks) {
    std::wstring text(10000, L'肌');
    std::string out = utf8(text);
    ASSERT_EQ(out.size(), 30000u);
    EXPECT_EQ(out.substr(29997), "\xE8\x82\x8C");
}

TEST(Utf8, SinkCanStopTheConversion) {
    int calls = 0;
    std::wstring text(5000, L'a');
    auto refuse = [](const char*, std::size_t, void* context) {
        ++*static_cast<int*>(context);
        return false;
    };
    EXPECT_FALSE(write_utf8(text.data(), text.size(), refuse, &calls));
    EXPECT_EQ(calls, 1);
}

TEST(Utf8, ValidityOfByteSequences) {
    struct Case {
        const char* bytes;
        bool valid;
    };
    const Case cases[] = {
        {"", true},
        {"plain ASCII, 12.5", true},
        {"\xE6\x97\xB6\xE9\x97\xB4,\xE5\xB7\xA5\xE5\x85\xB7", true},  // 时间,工具
        {"\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true},
        // 时间,工具 in GBK, as a spreadsheet saves it in code page 936.
        {"\xCA\xB1\xBC\xE4,\xB9\xA4\xBE\xDF", false},
        {"\xC0\x80", false},          // overlong forms
        {"\xC1\xBF", false},
        {"\xE0\x9F\xBF", false},
        {"\xF0\x8F\xBF\xBF", false},
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\x80", false},              // a continuation byte alone
        {"a\xE6\x97", false},         // cut off by the end
        {"\xE6\x41\xB6", false},      // interrupted
        {"\xFF\xFE", false},
    };
    for (const Case& c : cases) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes);
        EXPECT_EQ(is_valid_utf8(bytes, std::string(c.bytes).size()), c.valid) << c.bytes;
    }
}

}  // namespace
