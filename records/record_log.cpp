#include "records/record_log.h"

#include <cstring>

#include "core/format.h"
#include "core/text.h"
#include "core/utf8.h"

namespace {

constexpr wchar_t FOLDER_FORMAT[] = L"%ls\\%ls";
constexpr wchar_t FILE_FORMAT[] = L"%ls\\T%03d.csv";
constexpr wchar_t TIME_FORMAT[] = L"%04d-%02d-%02d %02d:%02d:%02d";
const wchar_t HEADER_START[] = L"时间,工具";
const wchar_t HEADER_END[] = L",结果\r\n";
const wchar_t LINE_END[] = L"\r\n";

const unsigned char BOM[3] = {0xEF, 0xBB, 0xBF};

constexpr int VALUE_TEXT_CAPACITY = 32;
constexpr int TIME_TEXT_CAPACITY = 64;

// Room for a field's own text: its capacity less the terminator and the
// leading comma.
constexpr int FIELD_ROOM = RECORD_FIELD_CAPACITY - 2;

// A line being assembled. Nothing is ever cut here: a piece that does not fit
// marks the whole line as too long.
struct Line {
    wchar_t* text;
    int capacity;
    int length;
    bool too_long;

    void add(const wchar_t* piece, int count) {
        if (too_long || count <= 0) return;
        int grown = text_append_n(text, capacity, piece, count);
        if (grown != length + count) too_long = true;
        length = grown;
    }
    void add(const wchar_t* piece) { add(piece, text_length(piece)); }

    // Adds one character; the caller terminates the text.
    void put(wchar_t c) {
        if (too_long) return;
        if (length >= capacity - 1) {
            too_long = true;
            return;
        }
        text[length++] = c;
    }

    // Adds one field's text, quoted when it holds a separator, a quote or a
    // line break.
    void add_field(const wchar_t* field, int count) {
        bool quote = false;
        for (int i = 0; i < count; ++i) {
            wchar_t c = field[i];
            if (c == L',' || c == L'"' || c == L'\r' || c == L'\n') {
                quote = true;
                break;
            }
        }
        if (!quote) {
            add(field, count);
            return;
        }
        add(L"\"", 1);
        int start = 0;
        for (int i = 0; i < count; ++i) {
            if (field[i] == L'"') {
                add(field + start, i + 1 - start);  // up to and including the quote
                add(L"\"", 1);                       // which is then doubled
                start = i + 1;
            }
        }
        add(field + start, count - start);
        add(L"\"", 1);
    }

    // Adds the result as one field on one line: every CR dropped, every LF
    // made a blank; quoted when it holds a separator or a quote. Nothing is
    // left out: a result that does not fit makes the line too long.
    void add_result(const wchar_t* result) {
        bool quote = false;
        for (const wchar_t* p = result; p != nullptr && *p != L'\0'; ++p) {
            if (*p == L',' || *p == L'"') {
                quote = true;
                break;
            }
        }
        if (quote) put(L'"');
        for (const wchar_t* p = result; p != nullptr && *p != L'\0'; ++p) {
            if (*p == L'\r') continue;
            put(*p == L'\n' ? L' ' : *p);
            if (*p == L'"') put(L'"');
        }
        if (quote) put(L'"');
        if (!too_long) text[length] = L'\0';
    }

    // Returns the length, or -1 with an empty text when the line did not fit.
    int finish() {
        if (too_long) {
            text[0] = L'\0';
            return -1;
        }
        return length;
    }
};

Line start_line(wchar_t* text, int capacity) {
    text_copy(text, capacity, L"");
    return Line{text, capacity, 0, capacity < 1};
}

int min_int(int a, int b) {
    return a < b ? a : b;
}

struct ByteSink {
    RecordBytes* bytes;
};

bool put_bytes(const char* data, std::size_t count, void* context) {
    RecordBytes* bytes = static_cast<ByteSink*>(context)->bytes;
    if (count > RECORD_BYTES_CAPACITY - bytes->size) return false;
    std::memcpy(bytes->data + bytes->size, data, count);
    bytes->size += count;
    return true;
}

// Line ends, and the blanks and tabs a spreadsheet leaves on lines whose
// cells were cleared.
bool is_blank_byte(unsigned char c) {
    return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

// True when the bytes are nothing but line ends, blanks and tabs.
bool blank(const unsigned char* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (!is_blank_byte(bytes[i])) return false;
    }
    return true;
}

struct Utf8Judgement {
    bool non_ascii = false;    // some byte is not ASCII
    bool well_formed = true;   // every byte belongs to well-formed UTF-8
};

// Judges bytes read from a file as UTF-8. cut_start: the bytes begin inside
// the file, so up to three continuation bytes at their start may end a
// character that began before them; cut_end: a character begun in their last
// bytes may be unfinished, because they end inside the file or because the
// file itself ends there (a line cut short). Such pieces count neither
// against UTF-8 nor for it: only the bytes between them are judged.
void judge_utf8(const unsigned char* bytes, int count, bool cut_start, bool cut_end, Utf8Judgement* judged) {
    int begin = 0;
    if (cut_start) {
        while (begin < count && begin < 3 && (bytes[begin] & 0xC0) == 0x80) ++begin;
    }
    int end = count;
    if (cut_end && end > begin) {
        int lead = end - 1;
        while (lead > begin && lead > end - 4 && (bytes[lead] & 0xC0) == 0x80) --lead;
        unsigned char c = bytes[lead];
        int length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 1;
        if (end - lead < length) end = lead;
    }
    for (int i = begin; i < end; ++i) {
        if (bytes[i] >= 0x80) judged->non_ascii = true;
    }
    if (begin < end && !is_valid_utf8(bytes + begin, static_cast<std::size_t>(end - begin))) {
        judged->well_formed = false;
    }
}

bool starts_with(const unsigned char* bytes, int count, const unsigned char* prefix, int prefix_count) {
    return count >= prefix_count && std::memcmp(bytes, prefix, static_cast<std::size_t>(prefix_count)) == 0;
}

}  // namespace

bool is_absolute_windows_path(const wchar_t* path) {
    if (path == nullptr) return false;
    wchar_t drive = path[0];
    bool letter = (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    if (letter && path[1] == L':' && path[2] == L'\\') return true;
    return path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\0' && path[2] != L'\\';
}

int make_record_folder(const wchar_t* app_data, wchar_t* folder, int capacity) {
    if (folder == nullptr || capacity < 1) return -1;
    folder[0] = L'\0';
    if (!is_absolute_windows_path(app_data)) return -1;
    int length = text_format(folder, capacity, FOLDER_FORMAT, app_data, RECORD_FOLDER_NAME);
    if (length < 0) folder[0] = L'\0';
    return length;
}

int make_record_path(const wchar_t* folder, int tool_id, wchar_t* path, int capacity) {
    if (path == nullptr || capacity < 1) return -1;
    int length = text_format(path, capacity, FILE_FORMAT, folder, tool_id);
    if (length < 0) path[0] = L'\0';
    return length;
}

int make_record_header(const ToolDef* tool, wchar_t* header, int capacity) {
    Line line = start_line(header, capacity);
    line.add(HEADER_START);
    for (int i = 0; i < tool->input_count; ++i) {
        const wchar_t* label = tool->inputs[i].label;
        line.add(L",", 1);
        line.add_field(label, min_int(text_length(label), FIELD_ROOM));
    }
    line.add(HEADER_END);
    return line.finish();
}

int make_record_row(const ToolDef* tool, const RecordTime& time, const double* input_values,
                    const wchar_t* detail_text, wchar_t* row, int capacity) {
    Line line = start_line(row, capacity);

    wchar_t time_text[TIME_TEXT_CAPACITY];
    text_format(time_text, TIME_TEXT_CAPACITY, TIME_FORMAT, time.year, time.month, time.day, time.hour,
                time.minute, time.second);
    line.add(time_text);
    line.add(L",", 1);
    line.add_field(tool->name, text_length(tool->name));

    for (int i = 0; i < tool->input_count; ++i) {
        // A field too long for its room loses the end of its label, never a
        // digit of its value: a shortened number would be a wrong record.
        wchar_t value[VALUE_TEXT_CAPACITY];
        int value_length = format_input_value(input_values[i], value, VALUE_TEXT_CAPACITY);
        if (value_length < 0) value_length = text_length(value);
        int label_room = FIELD_ROOM - 1 - value_length;
        if (label_room < 0) label_room = 0;

        wchar_t field[RECORD_FIELD_CAPACITY];
        text_copy(field, RECORD_FIELD_CAPACITY, L"");
        text_append_n(field, RECORD_FIELD_CAPACITY, tool->inputs[i].label, label_room);
        text_append(field, RECORD_FIELD_CAPACITY, L"=");
        int field_length = text_append(field, RECORD_FIELD_CAPACITY, value);
        line.add(L",", 1);
        line.add_field(field, field_length);
    }

    line.add(L",", 1);
    line.add_result(detail_text);
    line.add(LINE_END);
    return line.finish();
}

bool encode_record_utf8(const wchar_t* text, int length, RecordBytes* bytes) {
    ByteSink sink{bytes};
    return length >= 0 && write_utf8(text, static_cast<std::size_t>(length), put_bytes, &sink);
}

RecordPlanResult plan_record(long long size, RecordReader read, void* context, RecordPlan* plan) {
    *plan = {RECORD_LEAD_BOM_AND_HEADER, RECORD_ENCODING_UTF8};
    if (size <= 0) return RECORD_PLAN_OK;
    unsigned char head[RECORD_HEAD_CAPACITY];
    int head_count = size < RECORD_HEAD_CAPACITY ? static_cast<int>(size) : RECORD_HEAD_CAPACITY;
    if (!read(0, head, head_count, context)) return RECORD_PLAN_READ_FAILED;
    static const unsigned char UTF16_LE[2] = {0xFF, 0xFE};
    static const unsigned char UTF16_BE[2] = {0xFE, 0xFF};
    if (starts_with(head, head_count, UTF16_LE, 2) || starts_with(head, head_count, UTF16_BE, 2)) {
        return RECORD_PLAN_UTF16;
    }
    bool has_bom = starts_with(head, head_count, BOM, 3);
    int start = has_bom ? 3 : 0;
    if (blank(head + start, head_count - start)) {
        // Blank so far: read on while it stays so, up to the limit. Nothing
        // but a BOM, line ends, blanks and tabs holds no header line and no
        // data, so the file is begun anew.
        unsigned char more[RECORD_BLANK_CHUNK];
        long long offset = head_count;
        bool all_blank = true;
        while (all_blank && offset < size) {
            if (offset >= RECORD_BLANK_READ_LIMIT) return RECORD_PLAN_BLANK_TOO_LONG;
            long long left = (size < RECORD_BLANK_READ_LIMIT ? size : RECORD_BLANK_READ_LIMIT) - offset;
            int count = left < RECORD_BLANK_CHUNK ? static_cast<int>(left) : RECORD_BLANK_CHUNK;
            if (!read(offset, more, count, context)) return RECORD_PLAN_READ_FAILED;
            all_blank = blank(more, count);
            offset += count;
        }
        if (all_blank) return RECORD_PLAN_OK;
    }

    unsigned char tail[RECORD_TAIL_CAPACITY];
    int tail_count = size < RECORD_TAIL_CAPACITY ? static_cast<int>(size) : RECORD_TAIL_CAPACITY;
    long long tail_offset = size - tail_count;
    if (!read(tail_offset, tail, tail_count, context)) return RECORD_PLAN_READ_FAILED;
    RecordLead lead = tail[tail_count - 1] == '\n' ? RECORD_LEAD_NONE : RECORD_LEAD_LINE_BREAK;
    if (has_bom) {
        *plan = {lead, RECORD_ENCODING_UTF8};
        return RECORD_PLAN_OK;
    }
    // The file's start is the one edge that cuts no character: the edges of
    // what was read inside it may cut one in two, and so may the file's end,
    // where a line was left unfinished.
    Utf8Judgement judged;
    judge_utf8(head, head_count, false, true, &judged);
    judge_utf8(tail, tail_count, tail_offset > 0, true, &judged);
    bool utf8 = judged.non_ascii && judged.well_formed;
    *plan = {lead, utf8 ? RECORD_ENCODING_UTF8 : RECORD_ENCODING_ANSI};
    return RECORD_PLAN_OK;
}

RecordBuild build_record_bytes(const ToolDef* tool, const RecordTime& time, const double* input_values,
                               const wchar_t* detail_text, RecordLead lead, RecordEncoder encode,
                               RecordBytes* bytes) {
    bytes->size = 0;
    // The longest row takes tens of kilobytes: kept out of the stack.
    static wchar_t row[RECORD_ROW_CAPACITY];
    int row_length = make_record_row(tool, time, input_values, detail_text, row, RECORD_ROW_CAPACITY);
    if (row_length < 0) return RECORD_BUILD_ROW_TOO_LONG;
    wchar_t header[RECORD_HEADER_CAPACITY];
    int header_length = 0;
    bool with_header = lead == RECORD_LEAD_BOM_AND_HEADER;
    if (with_header) {
        header_length = make_record_header(tool, header, RECORD_HEADER_CAPACITY);
        if (header_length < 0) return RECORD_BUILD_HEADER_TOO_LONG;
    }

    // The capacity holds the longest lines the buffers above can carry, so
    // only a character without a form in the encoding can stop these; should
    // one, nothing at all is written.
    ByteSink sink{bytes};
    bool whole = true;
    if (with_header) {
        whole = put_bytes(reinterpret_cast<const char*>(BOM), sizeof BOM, &sink) &&
                encode(header, header_length, bytes);
    }
    if (whole && lead == RECORD_LEAD_LINE_BREAK) whole = encode(LINE_END, text_length(LINE_END), bytes);
    if (whole) whole = encode(row, row_length, bytes);
    if (!whole) {
        bytes->size = 0;
        return RECORD_BUILD_NOT_ENCODABLE;
    }
    return RECORD_BUILD_OK;
}
