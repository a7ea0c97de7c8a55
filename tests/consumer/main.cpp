// Evaluates tool 51 through the library's public headers and formats the
// level with text_format; exit code 0 when the reduced-dose verdict comes out
// and the formatted text is the expected one.
#include <cwchar>

#include "core/evaluate.h"
#include "core/format.h"
#include "core/text.h"
#include "expr/expr.h"
#include "reports/reports.h"

int main() {
    const double inputs[MAX_TOOL_VALUES] = {40, 85, 65};
    wchar_t result[4096], verdict[512], detail[8192];
    int level = 0;
    evaluate_tool(get_tool(), inputs, result, 4096, verdict, 512, &level, detail, 8192);
    wchar_t line[32];
    text_format(line, 32, L"T%03d level %d", get_tool()->id, level);
    return level == 2 && std::wcscmp(line, L"T051 level 2") == 0 ? 0 : 1;
}
