#include <gtest/gtest.h>

#include "core/tool.h"

TEST(Catalog, Tool51Exists) {
    EXPECT_EQ(get_tool()->id, 51);
}
