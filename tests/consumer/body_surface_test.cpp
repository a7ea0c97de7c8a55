// The consumer tool's unit test, built and run by the consumer project's own
// ctest: kaldrin_add_tool keeps a tool's TESTS when Kaldrin is not the
// top-level project.
#include <gtest/gtest.h>

#include "core/evaluate.h"
#include "core/tool.h"

TEST(BodySurface, SmallAreaIsFlaggedAtLevelOne) {
    wchar_t result[1024], verdict[256], detail[2048];
    int level = -1;
    const double typical[MAX_TOOL_VALUES] = {170, 64};
    evaluate_tool(get_tool(), typical, result, 1024, verdict, 256, &level, detail, 2048);
    EXPECT_EQ(level, 0);
    EXPECT_NE(std::wcsstr(result, L"1.74"), nullptr) << "sqrt(170*64/3600) is 1.74";
    const double child[MAX_TOOL_VALUES] = {110, 19};
    evaluate_tool(get_tool(), child, result, 1024, verdict, 256, &level, detail, 2048);
    EXPECT_EQ(level, 1);
}
