// Opening a file by wide path never opens a different file than the one
// named: a path too long for its UTF-8 form is refused whole rather than cut.

#include <gtest/gtest.h>

#include <string>

#include "app/file_open.h"

namespace {

TEST(FileOpen, APathTooLongIsRefusedNotCut) {
    // 5000 characters: beyond the room for a UTF-8 path and beyond what
    // Windows opens; a cut path would name some other file.
    const std::wstring path = L"kaldrin_open_" + std::wstring(5000, L'a') + L".txt";
    EXPECT_EQ(open_file(path.c_str(), "wb"), nullptr);
    EXPECT_EQ(open_file(path.c_str(), "rb"), nullptr);
}

TEST(FileOpen, MissingArgumentsOpenNothing) {
    EXPECT_EQ(open_file(nullptr, "rb"), nullptr);
    EXPECT_EQ(open_file(L"kaldrin_open_missing_mode.txt", nullptr), nullptr);
}

}  // namespace
