// The CSV record log's portable half: header and row assembly, the bytes of
// one save, and the record folder and file names, with arbitrary labels,
// names, result texts (commas, quotes, CR, LF, any character), input values,
// times, tool numbers and capacities from 1 up.
//
// Properties:
//   - a header or row is written whole or not at all: at a capacity too small
//     for it the result is -1 and the text is empty, never a cut line;
//   - every text is terminated within its capacity, nothing past it changes;
//   - a row read back as CSV (RFC 4180) has the time, the tool's name, one
//     "label=value" field per input and the result: the value is the whole
//     "%g" text of the input value (only the label is shortened to fit), and
//     the result is the whole detail text on one line (CR dropped, LF a
//     blank);
//   - the row ends with its one CR LF, and no CR or LF stands outside quotes;
//   - the header reads back as 时间, 工具, the labels (cut to 126 characters)
//     and 结果;
//   - the bytes of a save are, in order, the byte-order mark and the header as
//     the file's state asks, then the row, all in UTF-8; or nothing at all;
//   - folder and file names are the parts joined, or -1 and empty.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/utf8.h"
#include "fuzz/fuzz_support.h"
#include "records/record_log.h"

namespace {

// Room for any row but one of a very long tool name: the other fields take at
// most about 4800 characters, quoting included.
constexpr int BIG = 16384;

std::wstring widen(const char* s) {
    std::wstring w;
    for (; *s != '\0'; ++s) w.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*s)));
    return w;
}

// Splits a CSV line (without its CR LF) into fields; false when it is not
// well-formed RFC 4180.
bool parse_csv(const std::wstring& line, std::vector<std::wstring>* fields) {
    fields->clear();
    std::size_t i = 0;
    for (;;) {
        std::wstring field;
        if (i < line.size() && line[i] == L'"') {
            ++i;
            for (;;) {
                if (i >= line.size()) return false;
                if (line[i] == L'"') {
                    if (i + 1 < line.size() && line[i + 1] == L'"') {
                        field += L'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            if (i < line.size() && line[i] != L',') return false;
        } else {
            while (i < line.size() && line[i] != L',') {
                if (line[i] == L'"' || line[i] == L'\r' || line[i] == L'\n') return false;
                field += line[i++];
            }
        }
        fields->push_back(field);
        if (i == line.size()) return true;
        ++i;  // past the comma
    }
}

// Splits off the line's final CR LF; false when it has none.
bool strip_line_end(const std::wstring& text, std::wstring* line) {
    if (text.size() < 2 || text.compare(text.size() - 2, 2, L"\r\n") != 0) return false;
    *line = text.substr(0, text.size() - 2);
    return true;
}

std::wstring flattened(const std::wstring& detail) {
    std::wstring out;
    for (wchar_t c : detail) {
        if (c == L'\r') continue;
        out += c == L'\n' ? L' ' : c;
    }
    return out;
}

std::string utf8(const std::wstring& text) {
    std::string out;
    write_utf8(text.data(), text.size(),
               [](const char* bytes, std::size_t count, void* context) {
                   static_cast<std::string*>(context)->append(bytes, count);
                   return true;
               },
               &out);
    return out;
}

bool absolute(const std::wstring& p) {
    const bool letter = p.size() >= 3 && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) &&
                        p[1] == L':' && p[2] == L'\\';
    const bool unc = p.size() >= 3 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'\\';
    return letter || unc;
}

// A field of a time: mostly a plausible one, sometimes any of five digits and
// a sign. (The local time has at most four-digit years; the time text of a
// row has room for 63 characters, more than six such fields need.)
int time_field(FuzzInput& in) {
    const std::uint8_t mode = in.byte();
    return mode < 200 ? mode % 70 : in.i32() % 100000;
}

int small_or_any(FuzzInput& in) {
    const std::uint8_t mode = in.byte();
    return mode < 200 ? mode % 70 : in.i32();
}

double input_value(FuzzInput& in) {
    const std::uint8_t mode = in.byte();
    if (mode < 128) return static_cast<double>(static_cast<int>(in.u16()) - 1000) / (1 + mode % 8);
    return in.f64();
}

// Wide texts separated by 0xF8; a few bytes stand for the characters that
// matter to CSV, and for long runs.
std::vector<std::wstring> read_texts(FuzzInput& in) {
    std::vector<std::wstring> texts(1);
    while (in.remaining() > 0) {
        const std::uint8_t b = in.byte();
        std::wstring& t = texts.back();
        switch (b) {
        case 0xF0: t += L','; break;
        case 0xF1: t += L'"'; break;
        case 0xF2: t += L"\r\n"; break;
        case 0xF3: t += L'\n'; break;
        case 0xF4: t += L"阿哌沙班剂量：2.5 mg bid"; break;
        case 0xF5: t += in.character(); break;
        case 0xF6: t += std::wstring(static_cast<std::size_t>(in.byte()), L'x'); break;
        case 0xF7: t += std::wstring(static_cast<std::size_t>(in.byte()) * 4, L'减'); break;
        case 0xF8: texts.emplace_back(); break;
        default:
            if (b != 0) t += static_cast<wchar_t>(b);
            break;
        }
    }
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;
    FuzzInput in(data, size);
    const int count = in.byte() % (MAX_TOOL_VALUES + 1);
    RecordTime time;
    time.year = time_field(in);
    if (time.year >= 0 && time.year < 70) time.year += 1990;
    time.month = time_field(in);
    time.day = time_field(in);
    time.hour = time_field(in);
    time.minute = time_field(in);
    time.second = time_field(in);
    const int capacity = in.capacity(6000);
    const RecordLead lead = static_cast<RecordLead>(in.byte() % 3);
    const int tool_id = small_or_any(in);
    double values[MAX_TOOL_VALUES] = {};
    for (int i = 0; i < count; ++i) values[i] = input_value(in);
    std::vector<std::wstring> texts = read_texts(in);
    texts.resize(static_cast<std::size_t>(count) + 3);
    const std::wstring& name = texts[0];
    const std::wstring& detail = texts[1];
    const std::wstring& app_data = texts[2];

    ToolInput inputs[MAX_TOOL_VALUES];
    for (int i = 0; i < count; ++i) inputs[i] = {"k", texts[static_cast<std::size_t>(i) + 3].c_str(), L"", 0.0};
    const ToolDef tool = {tool_id, name.c_str(), nullptr, L"", L"", nullptr, count, inputs, 0, nullptr, 0, nullptr, 0};

    // The row, whole or not at all.
    GuardedText big_row(BIG);
    const int big_length = make_record_row(&tool, time, values, detail.c_str(), big_row.data(), BIG);
    const std::wstring row = big_row.text();
    FUZZ_CHECK(big_length == (row.empty() ? -1 : static_cast<int>(row.size())));
    GuardedText small_row(capacity);
    const int length = make_record_row(&tool, time, values, detail.c_str(), small_row.data(), capacity);
    if (big_length <= capacity - 1) {
        FUZZ_CHECK(length == big_length && small_row.text() == row);
    } else {
        FUZZ_CHECK(length == -1 && small_row.text().empty());
    }

    if (big_length < 0) {
        // Only a name of thousands of characters gets here.
        FUZZ_CHECK(row.empty() && name.size() > 5000);
        return 0;
    }
    std::wstring line;
    FUZZ_CHECK(strip_line_end(row, &line));
    std::vector<std::wstring> fields;
    FUZZ_CHECK(parse_csv(line, &fields));
    FUZZ_CHECK(fields.size() == static_cast<std::size_t>(count) + 3);
    char stamp[128];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    FUZZ_CHECK(fields[0] == widen(stamp));
    FUZZ_CHECK(fields[1] == name);
    for (int i = 0; i < count; ++i) {
        char number[64];
        std::snprintf(number, sizeof number, "%g", values[i]);
        const std::wstring value = widen(number);
        const std::wstring& label = texts[static_cast<std::size_t>(i) + 3];
        const int room = RECORD_FIELD_CAPACITY - 3 - static_cast<int>(value.size());
        const std::wstring expected = label.substr(0, static_cast<std::size_t>(room < 0 ? 0 : room)) + L"=" + value;
        FUZZ_CHECK(fields[static_cast<std::size_t>(i) + 2] == expected);
    }
    FUZZ_CHECK(fields.back() == flattened(detail));

    // The header, whole or not at all.
    GuardedText big_header(BIG);
    const int header_length = make_record_header(&tool, big_header.data(), BIG);
    const std::wstring header = big_header.text();
    FUZZ_CHECK(header_length == static_cast<int>(header.size()));
    GuardedText small_header(capacity);
    const int small_header_length = make_record_header(&tool, small_header.data(), capacity);
    if (header_length <= capacity - 1) {
        FUZZ_CHECK(small_header_length == header_length && small_header.text() == header);
    } else {
        FUZZ_CHECK(small_header_length == -1 && small_header.text().empty());
    }
    FUZZ_CHECK(strip_line_end(header, &line));
    FUZZ_CHECK(parse_csv(line, &fields));
    FUZZ_CHECK(fields.size() == static_cast<std::size_t>(count) + 3);
    FUZZ_CHECK(fields[0] == L"时间" && fields[1] == L"工具" && fields.back() == L"结果");
    for (int i = 0; i < count; ++i) {
        const std::wstring& label = texts[static_cast<std::size_t>(i) + 3];
        FUZZ_CHECK(fields[static_cast<std::size_t>(i) + 2] == label.substr(0, RECORD_FIELD_CAPACITY - 2));
    }

    // The bytes of one save.
    std::unique_ptr<RecordBytes> bytes(new RecordBytes);
    std::memset(bytes->data, 0x5A, sizeof bytes->data);
    bytes->size = 12345;
    const RecordBuild build =
        build_record_bytes(&tool, time, values, detail.c_str(), lead, encode_record_utf8, bytes.get());
    const bool with_header = lead == RECORD_LEAD_BOM_AND_HEADER;
    if (big_length > RECORD_ROW_CAPACITY - 1) {
        FUZZ_CHECK(build == RECORD_BUILD_ROW_TOO_LONG && bytes->size == 0);
    } else if (with_header && header_length > RECORD_HEADER_CAPACITY - 1) {
        FUZZ_CHECK(build == RECORD_BUILD_HEADER_TOO_LONG && bytes->size == 0);
    } else {
        std::string expected;
        if (lead == RECORD_LEAD_BOM_AND_HEADER) expected += "\xEF\xBB\xBF";
        if (with_header) expected += utf8(header);
        if (lead == RECORD_LEAD_LINE_BREAK) expected += "\r\n";
        expected += utf8(row);
        FUZZ_CHECK(build == RECORD_BUILD_OK);
        FUZZ_CHECK(bytes->size == expected.size() && bytes->size <= RECORD_BYTES_CAPACITY);
        FUZZ_CHECK(std::memcmp(bytes->data, expected.data(), expected.size()) == 0);
    }

    // Folder and file names.
    const int name_capacity = 1 + capacity % 600;
    GuardedText folder(name_capacity);
    const int folder_length = make_record_folder(app_data.c_str(), folder.data(), name_capacity);
    const std::wstring expected_folder = app_data + L"\\NoltMedSuite\\records";
    FUZZ_CHECK(is_absolute_windows_path(app_data.c_str()) == absolute(app_data));
    if (absolute(app_data) && static_cast<int>(expected_folder.size()) <= name_capacity - 1) {
        FUZZ_CHECK(folder_length == static_cast<int>(expected_folder.size()) && folder.text() == expected_folder);
    } else {
        FUZZ_CHECK(folder_length == -1 && folder.text().empty());
    }
    GuardedText path(name_capacity);
    const int path_length = make_record_path(app_data.c_str(), tool_id, path.data(), name_capacity);
    char file[32];
    std::snprintf(file, sizeof file, "\\T%03d.csv", tool_id);
    const std::wstring expected_path = app_data + widen(file);
    if (static_cast<int>(expected_path.size()) <= name_capacity - 1) {
        FUZZ_CHECK(path_length == static_cast<int>(expected_path.size()) && path.text() == expected_path);
    } else {
        FUZZ_CHECK(path_length == -1 && path.text().empty());
    }
    return 0;
}
