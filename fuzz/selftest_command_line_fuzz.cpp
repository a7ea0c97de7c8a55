// find_selftest_request with arbitrary command lines (any characters of the
// Basic Multilingual Plane, quotes, blanks, tabs, repeated and partial
// options) and path capacities from 1 up.
//
// Properties:
//   - no "--selftest" anywhere: none, and the path buffer is left untouched;
//   - otherwise the path is taken after the first occurrence: blanks skipped,
//     a quoted path to the next quote or the end, a bare one to the next blank
//     or the end, "selftest.txt" when empty;
//   - a path that fits is written whole and terminated (run); one that does
//     not fit is refused (path_too_long) and the buffer is left untouched,
//     never cut.

#include <string>

#include "app/command_line.h"
#include "fuzz/fuzz_support.h"

namespace {

// The path a command line asks for, read with std::wstring's own searches;
// false when there is no option.
bool expected_path(const std::wstring& line, std::wstring* path) {
    const std::size_t option = line.find(L"--selftest");
    if (option == std::wstring::npos) return false;
    std::size_t p = line.find_first_not_of(L' ', option + 10);
    if (p == std::wstring::npos) p = line.size();
    wchar_t end_mark = L' ';
    if (p < line.size() && line[p] == L'"') {
        end_mark = L'"';
        ++p;
    }
    std::size_t end = line.find(end_mark, p);
    if (end == std::wstring::npos) end = line.size();
    *path = line.substr(p, end - p);
    if (path->empty()) *path = L"selftest.txt";
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 8192) return 0;
    FuzzInput in(data, size);
    const int capacity = in.capacity(1100);
    // A few bytes choose short codes for the characters that matter here, so
    // that options, quotes and blanks come up often.
    std::wstring line;
    while (in.remaining() > 0) {
        const std::uint8_t b = in.byte();
        switch (b) {
        case 0xF0: line += L"--selftest"; break;
        case 0xF1: line += L' '; break;
        case 0xF2: line += L'"'; break;
        case 0xF3: line += L'\t'; break;
        case 0xF4: line += L"--self"; break;
        case 0xF5: line += in.character(); break;  // any non-zero character
        default:
            if (b != 0) line += static_cast<wchar_t>(b);
            break;
        }
    }

    GuardedText path(capacity);
    const SelftestRequest request = find_selftest_request(line.c_str(), path.data(), capacity);

    std::wstring expected;
    if (!expected_path(line, &expected)) {
        FUZZ_CHECK(request == SelftestRequest::none);
        FUZZ_CHECK(path.untouched());
        return 0;
    }
    if (static_cast<int>(expected.size()) <= capacity - 1) {
        FUZZ_CHECK(request == SelftestRequest::run);
        FUZZ_CHECK(path.text() == expected);
    } else {
        FUZZ_CHECK(request == SelftestRequest::path_too_long);
        FUZZ_CHECK(path.untouched());
    }

    // The program's own room gives the same answer as any room that large.
    wchar_t room[SELFTEST_PATH_CAPACITY];
    const SelftestRequest at_program_room = find_selftest_request(line.c_str(), room, SELFTEST_PATH_CAPACITY);
    FUZZ_CHECK(at_program_room == (static_cast<int>(expected.size()) < SELFTEST_PATH_CAPACITY
                                       ? SelftestRequest::run
                                       : SelftestRequest::path_too_long));
    FUZZ_CHECK(find_selftest_request(nullptr, room, SELFTEST_PATH_CAPACITY) == SelftestRequest::none);
    return 0;
}
