// Hexadecimal numbers typed into an input field end where the C library's
// conversion ends them: a binary exponent counts only when digits follow the
// "p" and its one optional sign; otherwise the "p" and what follows is text
// after the number (ignored, like the "abc" of "12abc").

#include <gtest/gtest.h>

#include "app/input_number.h"

namespace {

struct Case {
    const wchar_t* text;
    double value;
};

TEST(TypedHexNumbers, ExponentWithTwoSignsIsNotAnExponent) {
    const Case cases[] = {
        {L"0x1p+-1", 1.0},     {L"0x211P+-5", 529.0}, {L"0x1p-+3", 1.0},
        {L"0x1.8p+-3", 1.5},   {L"0x1P+-1074", 1.0},  {L"-0x2p--1", -2.0},
        {L"0x1p", 1.0},        {L"0x1p+", 1.0},       {L"0x1p-x", 1.0},
        {L"0x1p-1", 0.5},      {L"0X1P3", 8.0},       {L"0x1.8p+1", 3.0},
        {L"0x1p+1k", 2.0},     {L"0x.8p1", 1.0},      {L"0x10", 16.0},
    };
    for (const Case& c : cases) EXPECT_EQ(read_number(c.text), c.value) << c.text;
}

}  // namespace
