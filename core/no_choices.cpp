// The choices of a tool that declares none: every input is a plain number.
// kaldrin_add_tool compiles this beside a definition whose call does not say
// CHOICES.

#include "core/tool_choices.h"

const ToolChoices* get_tool_choices() {
    static constexpr ToolChoices none = {0, nullptr};
    return &none;
}
