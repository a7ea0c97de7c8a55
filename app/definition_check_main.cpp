// Entry of the console program that checks the definition it is linked with
// (app/definition_check.h); kaldrin_add_tool makes one per tool and runs it
// as the test <target>_definition_check:
//   <program> <target> <ID> [<declared self-test report>]
// Prints each fault and exits with 1 when there is any, else 0.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/definition_check.h"
#include "core/tool.h"

namespace {

// The file's bytes into bytes; false when it cannot be read. The build passes
// a name relative to the folder the test runs in, plain ASCII.
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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s <target> <ID> [<declared self-test report>]\n", argv[0]);
        return 2;
    }
    char* end = nullptr;
    long id = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || id < 1 || id > 2147483647L) {
        std::fprintf(stderr, "%s: the ID '%s' is not a tool number\n", argv[1], argv[2]);
        return 2;
    }
    DefinitionExpectation expected{argv[1], static_cast<int>(id), nullptr, 0};
    std::string declared;
    if (argc == 4) {
        if (!read_file(argv[3], declared)) {
            std::printf("%s (tool %ld): the declared self-test report %s cannot be read\n", argv[1], id, argv[3]);
            return 1;
        }
        expected.declared_report = declared.data();
        expected.declared_length = declared.size();
    }
    int faults = check_definition(get_tool(), expected,
                                  [](void*, const char* message) { std::printf("%s\n", message); }, nullptr);
    if (faults > 0) {
        std::printf("%s (tool %ld): %d fault(s) in the definition\n", argv[1], id, faults);
        return 1;
    }
    std::printf("%s (tool %ld): the definition passes its check\n", argv[1], id);
    return 0;
}
