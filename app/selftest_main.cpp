// Entry of a console program that runs the self-test of the tool it is linked
// with and writes the report to selftest.txt in the current folder; the exit
// code is the self-test's. The build checks the report a tool declares with
// it (cmake/KaldrinCheckSelftest.cmake), natively and as a Windows program.

#include "app/selftest.h"
#include "core/tool.h"

int main() {
    return run_selftest(get_tool(), L"selftest.txt");
}
