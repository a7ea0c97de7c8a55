// Entry of the console program that checks the definition it is linked with
// (app/definition_check.h); kaldrin_add_tool makes one per tool and runs it
// as the test <target>_definition_check:
//   <program> <target> <ID> [<declared self-test report>]
// The release checks hand it the report the released program wrote, too:
//   <program> <target> <ID> <declared report> --written <report> <run day>
// which must be the declared report with its dates counted from the run day
// (YYYY-MM-DD, the day the program started) or from today. The release
// writes each tool's user guide from what the definition says:
//   <program> <target> <ID> --describe <file>
// writes the definition's description (app/tool_description.h) to file when
// the definition passes its check.
// Prints each fault and exits with 1 when there is any, else 0; 2 when the
// command line is wrong.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/definition_check.h"
#include "app/selftest.h"
#include "app/tool_description.h"
#include "core/format.h"
#include "core/tool.h"
#include "core/tool_choices.h"
#include "reports/generators.h"

namespace {

// The file's bytes into bytes; false when it cannot be read. The callers pass
// names relative to the folder the program runs in, plain ASCII.
bool read_file(const char* path, std::string& bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

// The day number of a date written YYYY-MM-DD; false when text is none.
bool read_day(const char* text, long long* day) {
    static const char shape[] = "0000-00-00";
    if (std::strlen(text) != sizeof shape - 1) return false;
    for (std::size_t i = 0; i < sizeof shape - 1; ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == '0' ? !digit : text[i] != '-') return false;
    }
    int year = std::atoi(text);
    int month = std::atoi(text + 5);
    int day_of_month = std::atoi(text + 8);
    if (month < 1 || month > 12 || day_of_month < 1 || day_of_month > 31) return false;
    *day = days_from_civil(year, month, day_of_month);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool written_given = argc == 7 && std::strcmp(argv[4], "--written") == 0;
    bool describe = argc == 5 && std::strcmp(argv[3], "--describe") == 0;
    if (argc < 3 || (argc > 4 && !written_given && !describe)) {
        std::fprintf(stderr,
                     "usage: %s <target> <ID> [<declared self-test report> [--written <report> <YYYY-MM-DD>]]\n"
                     "       %s <target> <ID> --describe <file>\n",
                     argv[0], argv[0]);
        return 2;
    }
    char* end = nullptr;
    long id = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || id < 1 || id > 2147483647L) {
        std::fprintf(stderr, "%s: the ID '%s' is not a tool number\n", argv[1], argv[2]);
        return 2;
    }
    long long run_day = 0;
    if (written_given && !read_day(argv[6], &run_day)) {
        std::fprintf(stderr, "%s: the run day '%s' is not a date YYYY-MM-DD\n", argv[1], argv[6]);
        return 2;
    }
    DefinitionExpectation expected{argv[1], static_cast<int>(id), nullptr, 0};
    std::string declared;
    if (argc >= 4 && !describe) {
        if (!read_file(argv[3], declared)) {
            std::printf("%s (tool %ld): the declared self-test report %s cannot be read\n", argv[1], id, argv[3]);
            return 1;
        }
        expected.declared_report = declared.data();
        expected.declared_length = declared.size();
    }
    int faults = check_definition(get_tool(), get_tool_choices(), expected,
                                  [](void*, const char* message) { std::printf("%s\n", message); }, nullptr);
    if (written_given) {
        std::string written;
        int line = -1;
        if (read_file(argv[5], written)) {
            line = selftest_report_mismatch(declared.data(), declared.size(), written.data(), written.size(), run_day);
            if (line != 0 &&
                selftest_report_mismatch(declared.data(), declared.size(), written.data(), written.size(),
                                         local_day_number()) == 0) {
                line = 0;
            }
        }
        if (line < 0) {
            std::printf("%s (tool %ld): the written self-test report %s cannot be read\n", argv[1], id, argv[5]);
            ++faults;
        } else if (line > 0) {
            std::printf("%s (tool %ld): the written self-test report %s differs from %s from line %d\n", argv[1], id,
                        argv[5], argv[3], line);
            ++faults;
        }
    }
    if (faults > 0) {
        std::printf("%s (tool %ld): %d fault(s) in the definition\n", argv[1], id, faults);
        return 1;
    }
    if (describe) {
        std::string description;
        describe_tool(get_tool(), get_tool_choices(), description);
        std::FILE* file = std::fopen(argv[4], "wb");
        bool written = file != nullptr && std::fwrite(description.data(), 1, description.size(), file) ==
                                              description.size();
        if (file != nullptr && std::fclose(file) != 0) written = false;
        if (!written) {
            std::printf("%s (tool %ld): the description %s cannot be written\n", argv[1], id, argv[4]);
            return 1;
        }
    }
    std::printf("%s (tool %ld): the definition passes its check\n", argv[1], id);
    return 0;
}
