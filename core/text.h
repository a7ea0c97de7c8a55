#pragma once
// Bounded wide text: the one home of the rule every module follows.
//
// A buffer comes with its capacity in wide characters, terminator included.
// Writing cuts the text at capacity - 1 characters and always terminates it;
// a capacity below 1 means there is no room at all and nothing is written.
// Appending: when the current length n is below capacity - 1, at most
// capacity - n - 1 characters are added; otherwise nothing is.
//
// The formatter, text_format, is declared at the end of this file.

#include <array>
#include <type_traits>

// Length of a terminated wide text (null counts as empty).
int text_length(const wchar_t* text);

// Copies src into dst, cut to capacity - 1 characters; null src gives "".
// Returns the length written.
int text_copy(wchar_t* dst, int capacity, const wchar_t* src);

// Appends src by the append rule. Returns the new length of dst.
int text_append(wchar_t* dst, int capacity, const wchar_t* src);

// Appends at most count characters of src (fewer when src ends first) by the
// append rule. Returns the new length of dst.
int text_append_n(wchar_t* dst, int capacity, const wchar_t* src, int count);

// Copies at most count characters of src (fewer when src ends first) onto one
// line: every CR dropped, every LF made a blank; cut to capacity - 1 and
// terminated. Returns the length written.
int text_flatten(wchar_t* dst, int capacity, const wchar_t* src, int count);

// Widens a plain ASCII text into dst (each byte becomes one character), cut to
// capacity - 1. Returns the length written.
int text_widen(wchar_t* dst, int capacity, const char* src);

// ---- Formatting -------------------------------------------------------------
//
// text_format(dst, capacity, format, args...) is a small printf-like formatter
// of our own, so that the bytes do not depend on the C runtime or the locale.
// Each conversion takes one argument of one type:
//   %%            a percent sign, no argument
//   %d %i         int (short and signed char count as int)
//   %ld %li       long
//   %lld %lli     long long
//   %u            unsigned int (unsigned short and unsigned char count as it)
//   %lu %llu      unsigned long, unsigned long long
//   %c %lc        wchar_t
//   %ls           const wchar_t* (null prints as the empty text)
//   %s            const char*, plain ASCII widened byte by byte (null: empty)
//   %f %F %.Nf    double (float counts as double): fixed, N decimals
//                 (default 6), "." as the decimal point
//   %e %.Ne       double: exponent form, N decimals (default 6)
//   %g %.Ng       double: general, N significant digits (default 6), like printf
// The flags '-' '0' '+' ' ', a width and a precision may be given for every
// conversion, as printf reads them: '0', '+' and ' ' act on numbers only and
// '+' and ' ' not on %u; a precision is the least number of digits of an
// integer and the most characters shown of a text. '*' is not supported; an
// 'l' on %c %f %F %e %g changes nothing, and no other length is taken ("%lls",
// "%llld" and "%l%" are unknown conversions).
//
// The format is a literal or a constexpr array, checked while compiling against
// the types of the arguments: an unknown conversion, an argument of another
// type, too few or too many arguments do not compile. The compiler's message
// names a function of text_format_error below, which says what is wrong.
//
// A format known only at run time goes to text_vformat, with its arguments
// packed by text_args. There what does not fit prints as it stands, and
// nothing else happens: an unknown conversion (which takes no argument), a
// format that ends inside a conversion, and a conversion whose argument is
// missing or of another type (that argument is used up all the same, so the
// next conversion takes the next one). Arguments left over are ignored.

// The type of argument a conversion takes. none: %% and unknown conversions
// take no argument, and text_format takes no argument of that type.
enum class TextArgKind : unsigned char {
    none,
    int_value,
    long_value,
    long_long_value,
    unsigned_value,
    unsigned_long_value,
    unsigned_long_long_value,
    wide_char,
    wide_text,
    narrow_text,
    real,
};

// One argument, tagged with its kind.
struct TextArg {
    TextArgKind kind;
    union {
        long long integer;           // the three signed kinds
        unsigned long long natural;  // the three unsigned kinds
        double real;
        wchar_t character;
        const wchar_t* wide;
        const char* narrow;
    } as;
};

// The kind an argument of type T is formatted as; none for a type that
// text_format does not take (plain char, bool, long double, class types, ...).
template <typename T>
constexpr TextArgKind text_arg_kind() {
    using U = std::remove_cv_t<T>;
    if constexpr (std::is_same_v<U, int> || std::is_same_v<U, short> || std::is_same_v<U, signed char>) {
        return TextArgKind::int_value;
    } else if constexpr (std::is_same_v<U, long>) {
        return TextArgKind::long_value;
    } else if constexpr (std::is_same_v<U, long long>) {
        return TextArgKind::long_long_value;
    } else if constexpr (std::is_same_v<U, unsigned> || std::is_same_v<U, unsigned short> ||
                         std::is_same_v<U, unsigned char>) {
        return TextArgKind::unsigned_value;
    } else if constexpr (std::is_same_v<U, unsigned long>) {
        return TextArgKind::unsigned_long_value;
    } else if constexpr (std::is_same_v<U, unsigned long long>) {
        return TextArgKind::unsigned_long_long_value;
    } else if constexpr (std::is_same_v<U, wchar_t>) {
        return TextArgKind::wide_char;
    } else if constexpr (std::is_same_v<U, const wchar_t*> || std::is_same_v<U, wchar_t*>) {
        return TextArgKind::wide_text;
    } else if constexpr (std::is_same_v<U, const char*> || std::is_same_v<U, char*>) {
        return TextArgKind::narrow_text;
    } else if constexpr (std::is_same_v<U, double> || std::is_same_v<U, float>) {
        return TextArgKind::real;
    } else {
        return TextArgKind::none;
    }
}

// One argument, packed with its kind.
template <typename T>
TextArg text_arg(T value) {
    constexpr TextArgKind kind = text_arg_kind<T>();
    static_assert(kind != TextArgKind::none, "text_format takes integers, doubles, wchar_t and text pointers");
    TextArg arg{};
    arg.kind = kind;
    if constexpr (kind == TextArgKind::int_value || kind == TextArgKind::long_value ||
                  kind == TextArgKind::long_long_value) {
        arg.as.integer = value;
    } else if constexpr (kind == TextArgKind::unsigned_value || kind == TextArgKind::unsigned_long_value ||
                         kind == TextArgKind::unsigned_long_long_value) {
        arg.as.natural = value;
    } else if constexpr (kind == TextArgKind::real) {
        arg.as.real = value;
    } else if constexpr (kind == TextArgKind::wide_char) {
        arg.as.character = value;
    } else if constexpr (kind == TextArgKind::wide_text) {
        arg.as.wide = value;
    } else {
        arg.as.narrow = value;
    }
    return arg;
}

// The arguments of a run-time format, in order.
template <typename... Args>
std::array<TextArg, sizeof...(Args)> text_args(Args... args) {
    return {text_arg(args)...};
}

// One conversion of a format as written, from its '%' on.
struct TextDirective {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    int width = 0;
    int precision = -1;
    int longs = 0;                // how many 'l'
    wchar_t conversion = L'\0';   // L'\0' when the format ends first
    int length = 0;               // characters from the '%' through the conversion
    bool known = false;           // a conversion, with a length, of the table above
    TextArgKind takes = TextArgKind::none;
};

// Reads the conversion that starts at percent (which points at a '%').
constexpr TextDirective read_text_directive(const wchar_t* percent) {
    TextDirective d;
    const wchar_t* f = percent + 1;
    for (;; ++f) {
        if (*f == L'-') d.left = true;
        else if (*f == L'0') d.zero = true;
        else if (*f == L'+') d.plus = true;
        else if (*f == L' ') d.space = true;
        else break;
    }
    while (*f >= L'0' && *f <= L'9') {
        if (d.width < 10000) d.width = d.width * 10 + (*f - L'0');
        ++f;
    }
    if (*f == L'.') {
        ++f;
        d.precision = 0;
        while (*f >= L'0' && *f <= L'9') {
            if (d.precision < 10000) d.precision = d.precision * 10 + (*f - L'0');
            ++f;
        }
    }
    while (*f == L'l') {
        ++d.longs;
        ++f;
    }
    d.conversion = *f;
    d.length = static_cast<int>(f - percent) + (*f != L'\0' ? 1 : 0);
    switch (*f) {
    case L'%':
        d.known = d.longs == 0;
        break;
    case L'd':
    case L'i':
        d.known = d.longs <= 2;
        d.takes = d.longs == 0   ? TextArgKind::int_value
                  : d.longs == 1 ? TextArgKind::long_value
                                 : TextArgKind::long_long_value;
        break;
    case L'u':
        d.known = d.longs <= 2;
        d.takes = d.longs == 0   ? TextArgKind::unsigned_value
                  : d.longs == 1 ? TextArgKind::unsigned_long_value
                                 : TextArgKind::unsigned_long_long_value;
        break;
    case L'c':
        d.known = d.longs <= 1;
        d.takes = TextArgKind::wide_char;
        break;
    case L's':
        d.known = d.longs <= 1;
        d.takes = d.longs == 1 ? TextArgKind::wide_text : TextArgKind::narrow_text;
        break;
    case L'f':
    case L'F':
    case L'e':
    case L'g':
        d.known = d.longs <= 1;
        d.takes = TextArgKind::real;
        break;
    default:
        break;
    }
    if (!d.known) d.takes = TextArgKind::none;
    return d;
}

// Declared and never defined: the format check calls the one that says what is
// wrong, which ends the compile with its name in the message.
namespace text_format_error {
void format_is_null();
void format_ends_inside_a_conversion();
void unknown_conversion();
void too_few_arguments();
void too_many_arguments();
void argument_type_does_not_fit_the_conversion();
void argument_type_cannot_be_formatted();
}  // namespace text_format_error

// A format checked while compiling against the argument types Args.
template <typename... Args>
class TextFormat {
public:
    consteval TextFormat(const wchar_t* format) : text_(format) {
        constexpr int count = static_cast<int>(sizeof...(Args));
        // One more than the arguments, so that an empty list still has one.
        constexpr TextArgKind kinds[] = {text_arg_kind<Args>()..., TextArgKind::none};
        for (int i = 0; i < count; ++i) {
            if (kinds[i] == TextArgKind::none) text_format_error::argument_type_cannot_be_formatted();
        }
        if (format == nullptr) text_format_error::format_is_null();
        int used = 0;
        for (const wchar_t* f = format; *f != L'\0'; ++f) {
            if (*f != L'%') continue;
            const TextDirective d = read_text_directive(f);
            if (d.conversion == L'\0') text_format_error::format_ends_inside_a_conversion();
            if (!d.known) text_format_error::unknown_conversion();
            f += d.length - 1;
            if (d.takes == TextArgKind::none) continue;
            if (used == count) text_format_error::too_few_arguments();
            if (kinds[used] != d.takes) text_format_error::argument_type_does_not_fit_the_conversion();
            ++used;
        }
        if (used < count) text_format_error::too_many_arguments();
    }

    constexpr const wchar_t* text() const { return text_; }

private:
    const wchar_t* text_;
};

// Formats a format known only at run time with count tagged arguments into
// dst, cut to capacity - 1 characters. Returns the length of the text written,
// or -1 when the text was cut.
int text_vformat(wchar_t* dst, int capacity, const wchar_t* format, const TextArg* args, int count);

// Formats into dst, cut to capacity - 1 characters. Returns the length of the
// text written, or -1 when the text was cut.
template <typename... Args>
int text_format(wchar_t* dst, int capacity, TextFormat<std::type_identity_t<Args>...> format, Args... args) {
    const std::array<TextArg, sizeof...(Args)> packed = text_args(args...);
    return text_vformat(dst, capacity, format.text(), packed.data(), static_cast<int>(sizeof...(Args)));
}
