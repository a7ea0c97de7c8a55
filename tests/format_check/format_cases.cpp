// Calls whose arguments do not fit their format. check_cases.cmake compiles
// each case twice: with FITS defined the arguments fit and the call must
// compile; without it they do not, and the compile must fail with the fault
// named after "fault:" in the compiler's message.

#include "core/text.h"
#include "reports/reports.h"
#include "ui/texts.h"

#ifdef FITS
#define PICK(fits, wrong) fits
#else
#define PICK(fits, wrong) wrong
#endif

int main() {
    [[maybe_unused]] wchar_t buffer[64];
    [[maybe_unused]] wchar_t report[256] = L"";
    [[maybe_unused]] const wchar_t* run_time_format = L"%d";
#if CASE == 1  // fault: argument_type_does_not_fit_the_conversion
    return PICK(text_format(buffer, 64, L"%d", 7), text_format(buffer, 64, L"%d", L"seven"));
#elif CASE == 2  // fault: argument_type_does_not_fit_the_conversion
    return PICK(text_format(buffer, 64, L"%ls", L"seven"), text_format(buffer, 64, L"%ls", 7));
#elif CASE == 3  // fault: argument_type_does_not_fit_the_conversion
    return PICK(text_format(buffer, 64, L"%04lld", 7LL), text_format(buffer, 64, L"%04lld", 7));
#elif CASE == 4  // fault: argument_type_does_not_fit_the_conversion
    return PICK(text_format(buffer, 64, L"%.1f", 7.0), text_format(buffer, 64, L"%.1f", 7));
#elif CASE == 5  // fault: argument_type_does_not_fit_the_conversion
    return PICK(text_format(buffer, 64, L"%u", 7u), text_format(buffer, 64, L"%u", -7));
#elif CASE == 6  // fault: argument_type_cannot_be_formatted
    return PICK(text_format(buffer, 64, L"%c", L'x'), text_format(buffer, 64, L"%c", 'x'));
#elif CASE == 7  // fault: too_few_arguments
    return PICK(text_format(buffer, 64, L"%d-%d", 1, 2), text_format(buffer, 64, L"%d-%d", 1));
#elif CASE == 8  // fault: too_many_arguments
    return PICK(text_format(buffer, 64, L"%d-%%", 1), text_format(buffer, 64, L"%d-%%", 1, 2));
#elif CASE == 9  // fault: unknown_conversion
    return PICK(text_format(buffer, 64, L"%d%%q", 1), text_format(buffer, 64, L"%d%q", 1));
#elif CASE == 10  // fault: unknown_conversion
    return PICK(text_format(buffer, 64, L"%lld", 1LL), text_format(buffer, 64, L"%llld", 1LL));
#elif CASE == 11  // fault: format_ends_inside_a_conversion
    return PICK(text_format(buffer, 64, L"50%%"), text_format(buffer, 64, L"50%"));
#elif CASE == 12  // fault: argument_type_does_not_fit_the_conversion
    return PICK(text_format(buffer, 64, STATUS_COMPUTED_FORMAT, L"name"),
                text_format(buffer, 64, STATUS_COMPUTED_FORMAT, 7));
#elif CASE == 13  // fault: argument_type_does_not_fit_the_conversion
    PICK(append_line(report, 256, L"%.0f 滴/分", 60.0), append_line(report, 256, L"%.0f 滴/分", 60));
    return 0;
#elif CASE == 14  // fault: constant expression
    return PICK(text_format(buffer, 64, L"%d", 7), text_format(buffer, 64, run_time_format, 7));
#endif
}
