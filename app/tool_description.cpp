#include "app/tool_description.h"

#include "core/format.h"
#include "core/utf8.h"
#include "reports/report_kinds.h"

namespace {

constexpr int DEFAULT_TEXT_CAPACITY = 64;

const char digits[] = "0123456789abcdef";

// A JSON string of wide text: quotes, backslashes and control characters
// escaped, the rest as UTF-8.
void append_wide(std::string& json, const wchar_t* text) {
    if (text == nullptr) {
        json += "null";
        return;
    }
    json += '"';
    const wchar_t* run = text;
    for (const wchar_t* c = text;; ++c) {
        bool plain = *c != L'\0' && *c != L'"' && *c != L'\\' && *c >= 0x20;
        if (plain) continue;
        write_utf8(run, static_cast<std::size_t>(c - run), append_to_string, &json);
        if (*c == L'\0') break;
        if (*c == L'"' || *c == L'\\') {
            json += '\\';
            json += static_cast<char>(*c);
        } else {
            json += "\\u00";
            json += digits[(*c >> 4) & 0xF];
            json += digits[*c & 0xF];
        }
        run = c + 1;
    }
    json += '"';
}

// A JSON string of a narrow text (keys and formulas, plain ASCII), escaped
// as append_wide escapes.
void append_narrow(std::string& json, const char* text) {
    if (text == nullptr) {
        json += "null";
        return;
    }
    json += '"';
    for (const char* c = text; *c != '\0'; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '"' || byte == '\\') {
            json += '\\';
            json += *c;
        } else if (byte < 0x20) {
            json += "\\u00";
            json += digits[byte >> 4];
            json += digits[byte & 0xF];
        } else {
            json += *c;
        }
    }
    json += '"';
}

void append_int(std::string& json, int value) {
    json += std::to_string(value);
}

}  // namespace

void describe_tool(const ToolDef* tool, const ToolChoices* choices, std::string& json) {
    json += "{\"id\": ";
    append_int(json, tool->id);
    json += ", \"name\": ";
    append_wide(json, tool->name);
    json += ", \"subtitle\": ";
    append_wide(json, tool->subtitle);
    json += ", \"category\": ";
    append_wide(json, tool->category);
    json += ", \"basis\": ";
    append_wide(json, tool->basis);
    json += ", \"note\": ";
    append_wide(json, tool->note);
    json += ", \"report_kind\": ";
    append_int(json, tool->report_kind);

    json += ",\n \"inputs\": [";
    for (int i = 0; i < tool->input_count; ++i) {
        const ToolInput& input = tool->inputs[i];
        json += i > 0 ? ",\n  {\"key\": " : "\n  {\"key\": ";
        append_narrow(json, input.key);
        json += ", \"label\": ";
        append_wide(json, input.label);
        json += ", \"unit\": ";
        append_wide(json, input.unit);
        json += ", \"default\": ";
        wchar_t value[DEFAULT_TEXT_CAPACITY];
        format_input_value(input.default_value, value, DEFAULT_TEXT_CAPACITY);
        append_wide(json, value);
        json += ", \"choice\": ";
        int first = 0;
        int last = 0;
        if (input_choice(tool, choices, i, &first, &last)) {
            json += '[';
            append_int(json, first);
            json += ", ";
            append_int(json, last);
            json += ']';
        } else {
            json += "null";
        }
        json += '}';
    }
    json += "],\n \"outputs\": [";
    for (int i = 0; i < tool->output_count; ++i) {
        const ToolOutput& output = tool->outputs[i];
        json += i > 0 ? ",\n  {\"key\": " : "\n  {\"key\": ";
        append_narrow(json, output.key);
        json += ", \"label\": ";
        append_wide(json, output.label);
        json += ", \"unit\": ";
        append_wide(json, output.unit);
        json += ", \"formula\": ";
        append_narrow(json, output.expr);
        json += '}';
    }
    json += "],\n \"rules\": [";
    for (int i = 0; i < tool->rule_count; ++i) {
        const ToolRule& rule = tool->rules[i];
        json += i > 0 ? ",\n  {\"condition\": " : "\n  {\"condition\": ";
        append_narrow(json, rule.condition);
        json += ", \"level\": ";
        append_int(json, rule.level);
        json += ", \"message\": ";
        append_wide(json, rule.message);
        json += '}';
    }
    json += "]}\n";
}
