#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include <vector>

#include "core/evaluate.h"
#include "core/format.h"
#include "core/tool.h"
#include "records/record_log.h"

namespace {

const RecordTime SAVE_TIME = {2027, 1, 2, 9, 5, 3};

// The detail text tool 51 leaves in the window after computing these inputs.
std::wstring detail_of(const double* values) {
    wchar_t result[4096];
    wchar_t verdict[512];
    wchar_t detail[8192];
    int level = 0;
    evaluate_tool(get_tool(), values, result, 4096, verdict, 512, &level, detail, 8192);
    return detail;
}

struct Saved {
    RecordBuild status;
    std::string bytes;
};

Saved save_bytes(const ToolDef* tool, const double* values, const wchar_t* detail, RecordLead lead,
                 RecordTime time = SAVE_TIME, RecordEncoder encode = encode_record_utf8) {
    auto bytes = std::make_unique<RecordBytes>();
    bytes->size = 12345;
    RecordBuild status = build_record_bytes(tool, time, values, detail, lead, encode, bytes.get());
    return {status, std::string(bytes->data, bytes->size)};
}

std::wstring row_of(const ToolDef* tool, const double* values, const wchar_t* detail) {
    static wchar_t row[RECORD_ROW_CAPACITY];
    int length = make_record_row(tool, SAVE_TIME, values, detail, row, RECORD_ROW_CAPACITY);
    EXPECT_EQ(length, static_cast<int>(std::wstring(row).size()));
    return row;
}

const char TOOL51_HEADER[] = "时间,工具,肌酐清除率,年龄,体重,结果\r\n";
const char BOM[] = "\xEF\xBB\xBF";

// A tool of the test's own whose texts hold every character CSV treats
// specially.
const ToolInput awkward_inputs[] = {
    {"w", L"体重,实测", L"kg", 65.0},
    {"q", L"剂量\"估\"", L"mg", 2.5},
    {"n", L"备注\n第二行", nullptr, 1.0},
};
const ToolDef awkward_tool = {
    7, L"核查,试验", nullptr, L"测试", L"无", nullptr, 3, awkward_inputs, 0, nullptr, 0, nullptr, 0,
};

}  // namespace

TEST(RecordBytes, Tool51NewFileIsBomHeaderAndRowAtDefaults) {
    double values[MAX_TOOL_VALUES] = {70, 70, 65};
    std::wstring detail = detail_of(values);
    Saved saved = save_bytes(get_tool(), values, detail.c_str(), RECORD_LEAD_BOM_AND_HEADER);
    ASSERT_EQ(saved.status, RECORD_BUILD_OK);
    EXPECT_EQ(saved.bytes, std::string(BOM) + TOOL51_HEADER +
                               "2027-01-02 09:05:03,Kaldrin,肌酐清除率=70,年龄=70,体重=65,"
                               "减量条件数：0 项 阿哌沙班剂量：5.0 mg bid \r\n");
}

TEST(RecordBytes, Tool51ValuesAreWrittenAsGeneralFormatWithSixDigits) {
    double values[MAX_TOOL_VALUES] = {1234567, 0.1 + 0.2, 1e-5};
    std::wstring detail = detail_of(values);
    Saved saved = save_bytes(get_tool(), values, detail.c_str(), RECORD_LEAD_NONE);
    ASSERT_EQ(saved.status, RECORD_BUILD_OK);
    EXPECT_EQ(saved.bytes,
              "2027-01-02 09:05:03,Kaldrin,肌酐清除率=1.23457e+06,年龄=0.3,体重=1e-05,"
              "减量条件数：1 项 阿哌沙班剂量：5.0 mg bid \r\n");

    double more[MAX_TOOL_VALUES] = {12.5, -3, 100000000};
    EXPECT_EQ(row_of(get_tool(), more, L"x"),
              L"2027-01-02 09:05:03,Kaldrin,肌酐清除率=12.5,年龄=-3,体重=1e+08,x\r\n");
}

TEST(RecordBytes, TimeFieldsAreZeroPadded) {
    double values[MAX_TOOL_VALUES] = {70, 70, 65};
    RecordTime late = {2031, 12, 31, 23, 59, 58};
    Saved saved = save_bytes(get_tool(), values, L"r", RECORD_LEAD_NONE, late);
    EXPECT_EQ(saved.bytes, "2031-12-31 23:59:58,Kaldrin,肌酐清除率=70,年龄=70,体重=65,r\r\n");
}

TEST(RecordBytes, LeadDecidesWhatGoesBeforeTheRow) {
    double values[MAX_TOOL_VALUES] = {70, 70, 65};
    const char row[] = "2027-01-02 09:05:03,Kaldrin,肌酐清除率=70,年龄=70,体重=65,r\r\n";
    EXPECT_EQ(save_bytes(get_tool(), values, L"r", RECORD_LEAD_NONE).bytes, row);
    EXPECT_EQ(save_bytes(get_tool(), values, L"r", RECORD_LEAD_LINE_BREAK).bytes, std::string("\r\n") + row);
    EXPECT_EQ(save_bytes(get_tool(), values, L"r", RECORD_LEAD_BOM_AND_HEADER).bytes,
              std::string(BOM) + TOOL51_HEADER + row);
}

// A stand-in for a single-byte code page: Latin-1, exactly or not at all.
bool encode_latin1(const wchar_t* text, int length, RecordBytes* bytes) {
    for (int i = 0; i < length; ++i) {
        if (text[i] > 0xFF || bytes->size == RECORD_BYTES_CAPACITY) return false;
        bytes->data[bytes->size++] = static_cast<char>(text[i]);
    }
    return true;
}

TEST(RecordBytes, RowsGoThroughTheFilesEncoderWholeOrNotAtAll) {
    const ToolInput ascii_inputs[] = {{"w", L"weight", L"kg", 65.0}};
    const ToolDef ascii_tool = {9, L"Caf\u00e9", nullptr, L"c", L"b", nullptr, 1, ascii_inputs, 0, nullptr, 0, nullptr, 0};
    double values[MAX_TOOL_VALUES] = {65.5};
    Saved saved = save_bytes(&ascii_tool, values, L"ok", RECORD_LEAD_LINE_BREAK, SAVE_TIME, encode_latin1);
    ASSERT_EQ(saved.status, RECORD_BUILD_OK);
    EXPECT_EQ(saved.bytes, "\r\n2027-01-02 09:05:03,Caf\xE9,weight=65.5,ok\r\n");

    // A character the encoding lacks fails the save: no '?' in its place, no bytes.
    saved = save_bytes(get_tool(), values, L"r", RECORD_LEAD_NONE, SAVE_TIME, encode_latin1);
    EXPECT_EQ(saved.status, RECORD_BUILD_NOT_ENCODABLE);
    EXPECT_TRUE(saved.bytes.empty());
    saved = save_bytes(&ascii_tool, values, L"结果", RECORD_LEAD_LINE_BREAK, SAVE_TIME, encode_latin1);
    EXPECT_EQ(saved.status, RECORD_BUILD_NOT_ENCODABLE);
    EXPECT_TRUE(saved.bytes.empty());
}

// A file in memory, read the way a save reads it; counts what was read.
struct MemoryFile {
    std::string bytes;
    long long bytes_read = 0;
    bool fail = false;

    static bool read(long long offset, unsigned char* buffer, int count, void* context) {
        MemoryFile* file = static_cast<MemoryFile*>(context);
        if (file->fail || offset < 0 || count < 0 || offset + count > static_cast<long long>(file->bytes.size())) {
            return false;
        }
        std::memcpy(buffer, file->bytes.data() + offset, static_cast<std::size_t>(count));
        file->bytes_read += count;
        return true;
    }
};

RecordPlanResult plan_of(MemoryFile& file, RecordPlan* plan) {
    *plan = {RECORD_LEAD_LINE_BREAK, RECORD_ENCODING_ANSI};
    return plan_record(static_cast<long long>(file.bytes.size()), MemoryFile::read, &file, plan);
}

RecordPlan plan_of(MemoryFile& file) {
    RecordPlan plan;
    EXPECT_EQ(plan_of(file, &plan), RECORD_PLAN_OK);
    return plan;
}

TEST(RecordPlan, JudgedFromTheFilesFirstAndLastBytes) {
    struct Case {
        const char* name;
        std::string bytes;
        RecordLead lead;
        RecordEncoding encoding;
        RecordPlanResult result = RECORD_PLAN_OK;  // anything else: lead and encoding are not used
    };
    const std::string gbk_header = "\xCA\xB1\xBC\xE4,\xB9\xA4\xBE\xDF,\xBD\xE1\xB9\xFB\r\n";  // 时间,工具,结果
    const std::string utf8_header = TOOL51_HEADER;
    const std::string row = "2027-01-02 09:05:03,Kaldrin,x\r\n";
    const std::string ascii_header = "Time,Tool,CrCl,Age,Weight,Result\r\n";
    const std::string utf8_row = "2027-01-02 09:05:03,Kaldrin,肌酐清除率=70,减量条件数：0 项\r\n";
    const std::string gbk_row = "2027-01-02 09:05:03,Kaldrin,\xC4\xEA\xC1\xE4=70\r\n";  // 年龄=70
    // "状态" in GBK is D7 B4 CC AC, which is also well-formed UTF-8.
    const std::string gbk_header_like_utf8 = "Time,Tool,CrCl,Age,Weight,Result,\xD7\xB4\xCC\xAC\r\n";
    std::string ascii_rows;  // far more than both windows
    while (ascii_rows.size() < 3 * RECORD_HEAD_CAPACITY) ascii_rows += row;
    std::string blank_lines;  // several chunks of the blank scan
    while (blank_lines.size() < 3 * RECORD_BLANK_CHUNK) blank_lines += " \t  \t\r\n\r\n\t\n";
    std::string blank_to_the_limit;
    while (blank_to_the_limit.size() < RECORD_BLANK_READ_LIMIT) blank_to_the_limit += " \t  \t\r\n\r\n\t\n";
    const Case cases[] = {
        {"new", "", RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8},
        {"BOM alone", BOM, RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8},
        {"line ends alone", "\r\n\r\n\n", RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8},
        {"BOM and line ends", std::string(BOM) + "\r\n\r\n", RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8},
        // A spreadsheet's file whose cells were cleared: blank far beyond the first bytes.
        {"line ends beyond the first bytes", std::string(RECORD_HEAD_CAPACITY + 5, '\n'), RECORD_LEAD_BOM_AND_HEADER,
         RECORD_ENCODING_UTF8},
        {"BOM and many blank lines", std::string(BOM) + [] {
             std::string lines;
             for (int i = 0; i < 10000; ++i) lines += "\r\n";
             return lines;
         }(), RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8},
        {"many blank lines, then a row", std::string(3 * RECORD_HEAD_CAPACITY, '\n') + utf8_row, RECORD_LEAD_NONE,
         RECORD_ENCODING_UTF8},
        // Lines a spreadsheet leaves holding only blanks and tabs are blank too.
        {"blanks and tabs alone", " \t \r\n\t\r\n  ", RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8},
        {"BOM, blanks and tabs", std::string(BOM) + "\t\r\n   \r\n", RECORD_LEAD_BOM_AND_HEADER,
         RECORD_ENCODING_UTF8},
        {"blanks and tabs over many chunks", blank_lines, RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8},
        {"BOM, blanks and tabs over many chunks", std::string(BOM) + blank_lines, RECORD_LEAD_BOM_AND_HEADER,
         RECORD_ENCODING_UTF8},
        {"blanks and tabs over many chunks, then a GBK row", blank_lines + gbk_row, RECORD_LEAD_NONE,
         RECORD_ENCODING_ANSI},
        {"blanks and tabs, then a header", " \t\r\n" + utf8_header, RECORD_LEAD_NONE, RECORD_ENCODING_UTF8},
        {"UTF-8 with BOM", std::string(BOM) + utf8_header + row, RECORD_LEAD_NONE, RECORD_ENCODING_UTF8},
        {"UTF-8 with BOM, unfinished", std::string(BOM) + utf8_header + "2027", RECORD_LEAD_LINE_BREAK,
         RECORD_ENCODING_UTF8},
        {"UTF-8 with BOM, ends in CR", std::string(BOM) + utf8_header + "x\r", RECORD_LEAD_LINE_BREAK,
         RECORD_ENCODING_UTF8},
        {"UTF-8 without BOM", utf8_header + row, RECORD_LEAD_NONE, RECORD_ENCODING_UTF8},
        {"UTF-8 without BOM after blank lines", "\r\n" + utf8_header, RECORD_LEAD_NONE, RECORD_ENCODING_UTF8},
        {"ASCII header, UTF-8 rows", ascii_header + utf8_row + utf8_row, RECORD_LEAD_NONE, RECORD_ENCODING_UTF8},
        {"ASCII header, UTF-8 rows only among the newest", ascii_header + ascii_rows + utf8_row, RECORD_LEAD_NONE,
         RECORD_ENCODING_UTF8},
        {"GBK", gbk_header + row, RECORD_LEAD_NONE, RECORD_ENCODING_ANSI},
        {"GBK, unfinished", gbk_header + "2027", RECORD_LEAD_LINE_BREAK, RECORD_ENCODING_ANSI},
        {"GBK header that reads as UTF-8, GBK rows", gbk_header_like_utf8 + gbk_row, RECORD_LEAD_NONE,
         RECORD_ENCODING_ANSI},
        {"GBK header that reads as UTF-8, GBK rows only among the newest",
         gbk_header_like_utf8 + ascii_rows + gbk_row, RECORD_LEAD_NONE, RECORD_ENCODING_ANSI},
        {"GBK header, UTF-8 row", gbk_header + "时间\r\n", RECORD_LEAD_NONE, RECORD_ENCODING_ANSI},
        {"UTF-8 header, GBK row", utf8_header + gbk_header, RECORD_LEAD_NONE, RECORD_ENCODING_ANSI},
        {"ASCII", "time,tool,result\r\n", RECORD_LEAD_NONE, RECORD_ENCODING_ANSI},
        {"ASCII, long", ascii_header + ascii_rows, RECORD_LEAD_NONE, RECORD_ENCODING_ANSI},
        // What lies between the first and the last bytes is never read.
        {"UTF-8 only between the windows", ascii_header + ascii_rows + utf8_row + ascii_rows, RECORD_LEAD_NONE,
         RECORD_ENCODING_ANSI},
        // A last line cut short inside a character (肌 is E8 82 8C): the file
        // stays UTF-8 and the line is ended before the row.
        {"UTF-8, character cut at the very end", utf8_header + "2027-01-02 09:05:03,Kaldrin,\xE8\x82",
         RECORD_LEAD_LINE_BREAK, RECORD_ENCODING_UTF8},
        {"UTF-8 beyond the first bytes, character cut at the very end",
         utf8_header + ascii_rows + "2027-01-02 09:05:03,Kaldrin,\xE8\x82", RECORD_LEAD_LINE_BREAK,
         RECORD_ENCODING_UTF8},
        {"UTF-8 only among the newest, four-byte character cut at the very end",
         ascii_header + ascii_rows + utf8_row + "\xF0\x9F\x98", RECORD_LEAD_LINE_BREAK, RECORD_ENCODING_UTF8},
        // Cut bytes are no evidence for UTF-8 either.
        {"ASCII, character cut at the very end", ascii_header + "x\xE8\x82", RECORD_LEAD_LINE_BREAK,
         RECORD_ENCODING_ANSI},
        // A character cut inside the file is malformed UTF-8.
        {"UTF-8, character cut inside the file", utf8_header + "x\xE8\x82,y\r\n", RECORD_LEAD_NONE,
         RECORD_ENCODING_ANSI},
        {"UTF-8 beyond the first bytes, character cut inside the file",
         utf8_header + ascii_rows + "x\xE8\x82\r\n", RECORD_LEAD_NONE, RECORD_ENCODING_ANSI},
        {"UTF-16 LE", "\xFF\xFEt\0", RECORD_LEAD_NONE, RECORD_ENCODING_UTF8, RECORD_PLAN_UTF16},
        {"UTF-16 BE", "\xFE\xFF\0t", RECORD_LEAD_NONE, RECORD_ENCODING_UTF8, RECORD_PLAN_UTF16},
        {"UTF-16 BOM alone", "\xFF\xFE", RECORD_LEAD_NONE, RECORD_ENCODING_UTF8, RECORD_PLAN_UTF16},
        // A blank file is read as far as the limit, and no further: one that
        // goes on is refused, never written anew over what was not read.
        {"blank up to the limit", std::string(RECORD_BLANK_READ_LIMIT, '\n'), RECORD_LEAD_BOM_AND_HEADER,
         RECORD_ENCODING_UTF8},
        {"BOM and blank lines up to the limit", std::string(BOM) + std::string(RECORD_BLANK_READ_LIMIT - 3, '\n'),
         RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8},
        {"blank beyond the limit", std::string(RECORD_BLANK_READ_LIMIT + 1, '\n'), RECORD_LEAD_NONE,
         RECORD_ENCODING_UTF8, RECORD_PLAN_BLANK_TOO_LONG},
        {"BOM and blank lines beyond the limit", std::string(BOM) + blank_to_the_limit, RECORD_LEAD_NONE,
         RECORD_ENCODING_UTF8, RECORD_PLAN_BLANK_TOO_LONG},
        {"blank to the limit, then a row", std::string(RECORD_BLANK_READ_LIMIT, '\n') + utf8_row, RECORD_LEAD_NONE,
         RECORD_ENCODING_UTF8, RECORD_PLAN_BLANK_TOO_LONG},
        {"blank to just before the limit, then a row", std::string(RECORD_BLANK_READ_LIMIT - 1, '\n') + utf8_row,
         RECORD_LEAD_NONE, RECORD_ENCODING_UTF8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFile file{c.bytes};
        RecordPlan plan;
        ASSERT_EQ(plan_of(file, &plan), c.result);
        if (c.result == RECORD_PLAN_OK) {
            EXPECT_EQ(plan.lead, c.lead);
            EXPECT_EQ(plan.encoding, c.encoding);
        }
        // A file with text at its start is read at its start and its end
        // only; any other no further than the limit and its end.
        std::size_t first = c.bytes.compare(0, 3, BOM) == 0 ? 3 : 0;
        if (first < c.bytes.size() && std::string(" \t\r\n").find(c.bytes[first]) == std::string::npos) {
            EXPECT_LE(file.bytes_read, RECORD_HEAD_CAPACITY + RECORD_TAIL_CAPACITY);
        }
        EXPECT_LE(file.bytes_read, RECORD_BLANK_READ_LIMIT + RECORD_TAIL_CAPACITY);
    }

    // A character cut in two by the edge of either window is not held
    // against the file: a header and rows of Chinese text, shifted byte by
    // byte across the first window's end and the last window's start.
    std::string chinese;
    while (chinese.size() < 3 * RECORD_HEAD_CAPACITY) chinese += "时间";
    for (int shift = 0; shift < 6; ++shift) {
        MemoryFile file{std::string(static_cast<std::size_t>(shift), 'x') + chinese + "\r\n"};
        EXPECT_EQ(plan_of(file).encoding, RECORD_ENCODING_UTF8) << shift;
        MemoryFile gbk{std::string(static_cast<std::size_t>(shift), 'x') + chinese + gbk_row};
        EXPECT_EQ(plan_of(gbk).encoding, RECORD_ENCODING_ANSI) << shift;
    }

    // A read that fails gives no plan.
    MemoryFile broken{utf8_header + row};
    broken.fail = true;
    RecordPlan plan;
    EXPECT_EQ(plan_of(broken, &plan), RECORD_PLAN_READ_FAILED);
}

TEST(RecordRow, ResultSpanningSeveralLinesGoesOnOneLine) {
    double values[MAX_TOOL_VALUES] = {70, 70, 65};
    // CR dropped, LF made a blank, also for a bare LF or a bare CR.
    EXPECT_EQ(row_of(get_tool(), values, L"甲：1\r\n乙：2\r\n丙\n丁\r戊\r\n"),
              L"2027-01-02 09:05:03,Kaldrin,肌酐清除率=70,年龄=70,体重=65,甲：1 乙：2 丙 丁戊 \r\n");
}

TEST(RecordRow, FieldsWithSeparatorsQuotesOrLineBreaksAreQuoted) {
    double values[MAX_TOOL_VALUES] = {65, 2.5, 1};
    EXPECT_EQ(row_of(&awkward_tool, values, L"剂量 \"2.5\", 复查\r\n"),
              L"2027-01-02 09:05:03,\"核查,试验\",\"体重,实测=65\",\"剂量\"\"估\"\"=2.5\","
              L"\"备注\n第二行=1\",\"剂量 \"\"2.5\"\", 复查 \"\r\n");

    wchar_t header[RECORD_HEADER_CAPACITY];
    ASSERT_GT(make_record_header(&awkward_tool, header, RECORD_HEADER_CAPACITY), 0);
    EXPECT_STREQ(header, L"时间,工具,\"体重,实测\",\"剂量\"\"估\"\"\",\"备注\n第二行\",结果\r\n");
}

TEST(RecordRow, OverlongLabelLosesItsEndNeverADigitOfTheValue) {
    std::wstring label(200, L'长');
    const ToolInput inputs[] = {{"a", label.c_str(), nullptr, 0}};
    const ToolDef tool = {1, L"T", nullptr, L"c", L"b", nullptr, 1, inputs, 0, nullptr, 0, nullptr, 0};
    double values[MAX_TOOL_VALUES] = {-1.5e-300};

    std::wstring row = row_of(&tool, values, L"r");
    // The field with its comma fills its 127 characters and ends with the whole value.
    std::wstring value = L"=-1.5e-300";
    std::wstring field = L"," + std::wstring(127 - 1 - value.size(), L'长') + value;
    EXPECT_EQ(row, L"2027-01-02 09:05:03,T" + field + L",r\r\n");

    // The header field is cut to its 127 characters.
    wchar_t header[RECORD_HEADER_CAPACITY];
    make_record_header(&tool, header, RECORD_HEADER_CAPACITY);
    EXPECT_EQ(std::wstring(header), L"时间,工具," + std::wstring(126, L'长') + L",结果\r\n");
}

// The longest reports of the suite's report tools, as their generators write
// them: each row holds its report whole, on one line.
TEST(RecordRow, LongestReportsGoIntoTheRowWhole) {
    struct Case {
        const char* name;
        int kind;
        std::vector<const char*> keys;
        std::vector<double> values;
        std::size_t least;  // the report's length at the least
    };
    const Case cases[] = {
        {"roster, 40 nurses over 31 days", REPORT_ROTATION_ROSTER, {"nurses", "days"}, {40, 31}, 6390},
        {"handover, 30 beds", REPORT_HANDOVER_TEMPLATE, {"beds"}, {30}, 2509},
        {"dosing timetable, 30 doses", REPORT_DOSING_TIMETABLE, {"start", "interval", "times"}, {8, 8, 30}, 478},
        {"follow-up plan, 20 visits", REPORT_FOLLOW_UP_PLAN, {"start", "gap", "times"}, {7, 7, 20}, 445},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ToolInput> inputs;
        for (const char* key : c.keys) inputs.push_back({key, L"项", nullptr, 0.0});
        ToolDef tool = {61, L"报表", nullptr, L"c", L"b", nullptr, static_cast<int>(inputs.size()), inputs.data(),
                        0, nullptr, 0, nullptr, c.kind};
        double values[MAX_TOOL_VALUES] = {};
        for (std::size_t i = 0; i < c.values.size(); ++i) values[i] = c.values[i];
        // The window's buffers (result 8192, verdict 512, detail 8192).
        static wchar_t result[8192];
        static wchar_t detail[8192];
        wchar_t verdict[512];
        int level = 0;
        evaluate_tool(&tool, values, result, 8192, verdict, 512, &level, detail, 8192);
        std::wstring report = detail;
        ASSERT_GE(report.size(), c.least);
        ASSERT_EQ(report.find_first_of(L",\""), std::wstring::npos) << "the expected row below has no quotes";

        std::wstring flat;
        for (wchar_t ch : report) {
            if (ch != L'\r') flat += ch == L'\n' ? L' ' : ch;
        }
        std::wstring fields;
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            wchar_t value[32];
            format_input_value(c.values[i], value, 32);
            fields += L",项=" + std::wstring(value);
        }
        std::wstring row = row_of(&tool, values, detail);
        EXPECT_EQ(row.size(), 25 + fields.size() + flat.size());
        EXPECT_TRUE(row == L"2027-01-02 09:05:03,报表" + fields + L"," + flat + L"\r\n");
    }
}

TEST(RecordRow, LongResultIsWrittenWholeNeverCut) {
    double values[MAX_TOOL_VALUES] = {70, 70, 65};
    const std::wstring start = L"2027-01-02 09:05:03,Kaldrin,肌酐清除率=70,年龄=70,体重=65,";
    std::wstring line = std::wstring(90, L'x') + L"=123.456\r\n";  // 100 characters
    std::wstring detail;
    for (int i = 0; i < 81; ++i) detail += line;  // the window's longest: 8100 characters
    std::wstring kept;
    for (int i = 0; i < 81; ++i) kept += std::wstring(90, L'x') + L"=123.456 ";
    EXPECT_TRUE(row_of(get_tool(), values, detail.c_str()) == start + kept + L"\r\n");

    // A single line as long as the window holds, every character a quote:
    // quoted and doubled, still whole.
    std::wstring quotes(RECORD_RESULT_CAPACITY - 1, L'"');
    std::wstring doubled = L"\"" + std::wstring(2 * quotes.size(), L'"') + L"\"";
    EXPECT_TRUE(row_of(get_tool(), values, quotes.c_str()) == start + doubled + L"\r\n");

    // The longest result of three-byte characters goes into the bytes of a
    // save into a new file whole.
    std::wstring chinese(RECORD_RESULT_CAPACITY - 1, L'时');
    Saved saved = save_bytes(get_tool(), values, chinese.c_str(), RECORD_LEAD_BOM_AND_HEADER);
    ASSERT_EQ(saved.status, RECORD_BUILD_OK);
    std::string tail = ",";
    for (std::size_t i = 0; i < chinese.size(); ++i) tail += "时";
    tail += "\r\n";
    ASSERT_GT(saved.bytes.size(), tail.size());
    EXPECT_EQ(saved.bytes.compare(saved.bytes.size() - tail.size(), tail.size(), tail), 0);

    // A row that does not fit its buffer is refused, not cut.
    wchar_t small[300];
    EXPECT_EQ(make_record_row(get_tool(), SAVE_TIME, values, kept.c_str(), small, 300), -1);
    EXPECT_STREQ(small, L"");
}

TEST(RecordBytes, LinesThatDoNotFitAreRefusedWholeNeverCut) {
    // A name too long for the row: no bytes at all.
    std::wstring name(RECORD_ROW_CAPACITY, L'名');
    const ToolInput one[] = {{"a", L"a", nullptr, 0}};
    const ToolDef long_name = {1, name.c_str(), nullptr, L"c", L"b", nullptr, 1, one, 0, nullptr, 0, nullptr, 0};
    double values[MAX_TOOL_VALUES] = {};
    Saved saved = save_bytes(&long_name, values, L"r", RECORD_LEAD_NONE);
    EXPECT_EQ(saved.status, RECORD_BUILD_ROW_TOO_LONG);
    EXPECT_TRUE(saved.bytes.empty());
    static wchar_t row[RECORD_ROW_CAPACITY];
    EXPECT_EQ(make_record_row(&long_name, SAVE_TIME, values, L"r", row, RECORD_ROW_CAPACITY), -1);
    EXPECT_STREQ(row, L"");

    // Sixteen long labels overflow the header: a new file gets nothing, not a
    // row without a header; a file that has its header gets the row.
    std::wstring label(100, L'标');
    ToolInput many[MAX_TOOL_VALUES];
    for (ToolInput& input : many) input = {"k", label.c_str(), nullptr, 0};
    const ToolDef wide = {2, L"W", nullptr, L"c", L"b", nullptr, MAX_TOOL_VALUES, many, 0, nullptr, 0, nullptr, 0};
    Saved fresh = save_bytes(&wide, values, L"r", RECORD_LEAD_BOM_AND_HEADER);
    EXPECT_EQ(fresh.status, RECORD_BUILD_HEADER_TOO_LONG);
    EXPECT_TRUE(fresh.bytes.empty());
    Saved existing = save_bytes(&wide, values, L"r", RECORD_LEAD_NONE);
    EXPECT_EQ(existing.status, RECORD_BUILD_OK);
    EXPECT_EQ(existing.bytes.substr(0, 22), "2027-01-02 09:05:03,W,");
}

TEST(RecordBytes, LongRowIsConvertedWhole) {
    // Far beyond 4095 UTF-8 bytes: sixteen 126-character labels of
    // three-byte characters.
    std::wstring label(120, L'标');
    ToolInput many[MAX_TOOL_VALUES];
    for (ToolInput& input : many) input = {"k", label.c_str(), nullptr, 0};
    const ToolDef wide = {3, L"W", nullptr, L"c", L"b", nullptr, MAX_TOOL_VALUES, many, 0, nullptr, 0, nullptr, 0};
    double values[MAX_TOOL_VALUES] = {};
    for (int i = 0; i < MAX_TOOL_VALUES; ++i) values[i] = i + 0.5;
    Saved saved = save_bytes(&wide, values, L"结果", RECORD_LEAD_NONE);
    ASSERT_EQ(saved.status, RECORD_BUILD_OK);
    EXPECT_GT(saved.bytes.size(), 5800u);
    std::string end = "=15.5,结果\r\n";
    ASSERT_GT(saved.bytes.size(), end.size());
    EXPECT_EQ(saved.bytes.substr(saved.bytes.size() - end.size()), end);
    std::string label8;
    for (int i = 0; i < 120; ++i) label8 += "标";
    EXPECT_NE(saved.bytes.find("," + label8 + "=7.5,"), std::string::npos);
}

TEST(RecordPaths, FolderUnderAbsoluteApplicationDataOnly) {
    wchar_t folder[RECORD_FOLDER_CAPACITY];
    EXPECT_GT(make_record_folder(L"C:\\Users\\anna\\AppData\\Local", folder, RECORD_FOLDER_CAPACITY), 0);
    EXPECT_STREQ(folder, L"C:\\Users\\anna\\AppData\\Local\\NoltMedSuite\\records");
    EXPECT_GT(make_record_folder(L"\\\\server\\home\\anna", folder, RECORD_FOLDER_CAPACITY), 0);
    EXPECT_STREQ(folder, L"\\\\server\\home\\anna\\NoltMedSuite\\records");

    // Anything that would land relative to the current drive or folder.
    for (const wchar_t* bad : {L"", L"AppData\\Local", L"\\Users\\anna", L"C:Users", L"C:", L"\\\\", L"\\\\\\x"}) {
        folder[0] = L's';
        folder[1] = L'\0';
        EXPECT_EQ(make_record_folder(bad, folder, RECORD_FOLDER_CAPACITY), -1) << bad;
        EXPECT_STREQ(folder, L"");
    }
    EXPECT_EQ(make_record_folder(nullptr, folder, RECORD_FOLDER_CAPACITY), -1);

    // A folder name that would be cut is refused, not shortened to another folder.
    std::wstring deep = L"D:\\" + std::wstring(259 - 3 - 21, L'd');  // the folder takes 259 characters
    EXPECT_EQ(make_record_folder(deep.c_str(), folder, RECORD_FOLDER_CAPACITY), 259);
    deep += L'd';
    EXPECT_EQ(make_record_folder(deep.c_str(), folder, RECORD_FOLDER_CAPACITY), -1);
}

TEST(RecordPaths, FileNamedByToolNumberWithThreeDigitsAtLeast) {
    wchar_t path[RECORD_PATH_CAPACITY];
    EXPECT_GT(make_record_path(L"C:\\r", 51, path, RECORD_PATH_CAPACITY), 0);
    EXPECT_STREQ(path, L"C:\\r\\T051.csv");
    make_record_path(L"C:\\r", 7, path, RECORD_PATH_CAPACITY);
    EXPECT_STREQ(path, L"C:\\r\\T007.csv");
    make_record_path(L"C:\\r", 1234, path, RECORD_PATH_CAPACITY);
    EXPECT_STREQ(path, L"C:\\r\\T1234.csv");
    EXPECT_EQ(make_record_path(L"C:\\r", 51, path, 13), -1);
    EXPECT_STREQ(path, L"");
}
