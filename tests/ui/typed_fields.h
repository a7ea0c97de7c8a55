#pragma once
// The choice fields of a formula tool as its window reads what is typed, for
// the tests of each tool: every input whose unit lists numbered answers
// ("1 是，0 否", "1 男，2 女", "1 或 2") takes exactly those whole numbers, in any form
// of the number, and refuses a word, a fraction and every other number; the
// other inputs are plain numbers.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/format.h"
#include "core/text.h"
#include "core/tool.h"
#include "core/tool_choices.h"
#include "reports/report_kinds.h"
#include "ui/input_number.h"

// What compute makes of text typed into field, every other field holding its
// default as the window shows it.
inline InputReading read_typed(const ToolDef* tool, const ToolChoices* choices, int field, const std::wstring& text) {
    wchar_t texts[MAX_TOOL_VALUES][INPUT_FIELD_CAPACITY] = {};
    for (int i = 0; i < tool->input_count; ++i) {
        format_input_value(tool->inputs[i].default_value, texts[i], INPUT_FIELD_CAPACITY);
    }
    text_copy(texts[field], INPUT_FIELD_CAPACITY, text.c_str());
    double values[MAX_TOOL_VALUES] = {};
    return read_input_values(texts, tool->input_count, tool, choices, values);
}

inline void expect_choice_fields(const ToolDef* tool, const ToolChoices* choices) {
    for (int i = 0; i < tool->input_count; ++i) {
        const ToolInput& input = tool->inputs[i];
        SCOPED_TRACE(input.key);
        // The numbers the unit offers ("1 是，0 否", "1 或 2"): its runs of digits.
        std::vector<int> offered;
        const std::wstring unit = input.unit != nullptr ? input.unit : L"";
        for (std::size_t at = 0; at < unit.size(); ++at) {
            std::size_t end = at;
            while (end < unit.size() && unit[end] >= L'0' && unit[end] <= L'9') ++end;
            if (end > at) {
                offered.push_back(std::stoi(unit.substr(at, end - at)));
                at = end;
            }
        }
        int first = -99;
        int last = -99;
        const bool choice = input_choice(tool, choices, i, &first, &last);
        if (offered.size() < 2) {
            EXPECT_FALSE(choice) << "a plain number is no choice";
            continue;
        }
        ASSERT_TRUE(choice) << "the unit offers numbered answers";
        EXPECT_EQ(first, *std::min_element(offered.begin(), offered.end()));
        EXPECT_EQ(last, *std::max_element(offered.begin(), offered.end()));
        for (int n = first; n <= last; ++n) {
            for (const std::wstring& form : {std::to_wstring(n), std::to_wstring(n) + L".0", std::to_wstring(n) + L"e0",
                                             std::wstring(1, static_cast<wchar_t>(0xFF10 + n))}) {
                EXPECT_EQ(read_typed(tool, choices, i, form).refused, -1) << testing::PrintToString(form);
            }
        }
        for (const std::wstring& stray : {std::to_wstring(first - 1), std::to_wstring(last + 1),
                                          std::to_wstring(first) + L".5", std::wstring(L"0.5"), std::wstring(L"\u662F"),
                                          std::wstring(L"\u5426"), std::wstring(L"yes"), std::wstring(L"\u221A")}) {
            const InputReading reading = read_typed(tool, choices, i, stray);
            EXPECT_EQ(reading.refused, i) << testing::PrintToString(stray);
            EXPECT_EQ(reading.why, FieldRefusal::NOT_A_CHOICE) << testing::PrintToString(stray);
        }
    }
}
