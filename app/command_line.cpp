#include "app/command_line.h"

#include "core/text.h"

namespace {

constexpr wchar_t OPTION[] = L"--selftest";
constexpr int OPTION_LENGTH = 10;
constexpr wchar_t DEFAULT_REPORT_PATH[] = L"selftest.txt";

const wchar_t* find_option(const wchar_t* line) {
    for (const wchar_t* p = line; *p != L'\0'; ++p) {
        int i = 0;
        while (i < OPTION_LENGTH && p[i] == OPTION[i]) ++i;
        if (i == OPTION_LENGTH) return p;
    }
    return nullptr;
}

}  // namespace

SelftestRequest find_selftest_request(const wchar_t* command_line, wchar_t* path, int capacity) {
    if (command_line == nullptr) return SelftestRequest::none;
    const wchar_t* option = find_option(command_line);
    if (option == nullptr) return SelftestRequest::none;

    const wchar_t* p = option + OPTION_LENGTH;
    while (*p == L' ') ++p;
    wchar_t end_mark = L' ';
    if (*p == L'"') {
        end_mark = L'"';
        ++p;
    }
    int length = 0;
    while (p[length] != L'\0' && p[length] != end_mark) ++length;

    if (length == 0) {
        p = DEFAULT_REPORT_PATH;
        length = text_length(DEFAULT_REPORT_PATH);
    }
    if (capacity < 1 || length > capacity - 1) return SelftestRequest::path_too_long;
    text_copy(path, capacity, L"");
    text_append_n(path, capacity, p, length);
    return SelftestRequest::run;
}
