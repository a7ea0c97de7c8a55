// Evaluates tool 51 through the library's public headers; exit code 0 when
// the reduced-dose verdict comes out.
#include "core/evaluate.h"
#include "core/format.h"
#include "expr/expr.h"
#include "reports/reports.h"

int main() {
    const double inputs[MAX_TOOL_VALUES] = {40, 85, 65};
    wchar_t result[4096], verdict[512], detail[8192];
    int level = 0;
    evaluate_tool(get_tool(), inputs, result, 4096, verdict, 512, &level, detail, 8192);
    return level == 2 ? 0 : 1;
}
