// Decimal text for doubles, independent of the process locale.
//
// Doubles travel as bit patterns here, never as values returned in
// registers: on the 32-bit host a double returned from a function passes
// through the x87 stack, which quiets signalling NaNs.
#include "shader/decimal.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace corvalume {
namespace {

constexpr std::uint64_t sign_bit = 0x8000000000000000u;
constexpr std::uint64_t exponent_bits = 0x7ff0000000000000u;
constexpr std::uint64_t mantissa_bits = 0x000fffffffffffffu;
constexpr std::uint64_t quiet_nan = 0x0008000000000000u;

bool is_nan(std::uint64_t bits) {
    return (bits & exponent_bits) == exponent_bits && (bits & mantissa_bits) != 0;
}

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Decimal numbers and "inf" or "infinity", with an optional sign; not the
// hexadecimal forms strtod also knows.
bool is_decimal_start(char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || lower(c) == 'i';
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "nan" or "nan(0x<payload>)", after any sign; the payload is the mantissa.
bool parse_nan(const char *p, const char *end, std::uint64_t *mantissa) {
    if (end - p < 3 || lower(p[0]) != 'n' || lower(p[1]) != 'a' || lower(p[2]) != 'n')
        return false;
    p += 3;
    if (p == end) {
        *mantissa = quiet_nan;
        return true;
    }
    if (end - p < 4 || p[0] != '(' || p[1] != '0' || lower(p[2]) != 'x' || end[-1] != ')')
        return false;
    std::uint64_t value = 0;
    const char *digits = p + 3;
    const char *close = end - 1;
    if (digits == close || close - digits > 13)
        return false;
    for (const char *q = digits; q != close; ++q) {
        const int d = hex_digit(*q);
        if (d < 0)
            return false;
        value = value << 4 | static_cast<std::uint64_t>(d);
    }
    if (value == 0 || value > mantissa_bits)
        return false;
    *mantissa = value;
    return true;
}

} // namespace

char *format_general(char *first, char *last, double value) noexcept {
    return std::to_chars(first, last, value, std::chars_format::general, 6).ptr;
}

std::size_t format_exact(char *out, std::uint64_t bits) noexcept {
    char *p = out;
    if (is_nan(bits)) {
        if (bits & sign_bit)
            *p++ = '-';
        std::memcpy(p, "nan", 3);
        p += 3;
        const std::uint64_t mantissa = bits & mantissa_bits;
        if (mantissa != quiet_nan) {
            std::memcpy(p, "(0x", 3);
            p += 3;
            p = std::to_chars(p, out + exact_text_size - 2, mantissa, 16).ptr;
            *p++ = ')';
        }
    } else {
        double value;
        std::memcpy(&value, &bits, sizeof value);
        p = std::to_chars(out, out + exact_text_size - 1, value).ptr;
    }
    *p = '\0';
    return static_cast<std::size_t>(p - out);
}

bool parse_exact(const char *text, std::size_t length, std::uint64_t *bits) noexcept {
    const char *p = text;
    const char *end = text + length;
    while (p != end && is_space(*p))
        ++p;
    while (end != p && is_space(end[-1]))
        --end;
    if (p == end)
        return false;

    const bool negative = *p == '-';
    std::uint64_t mantissa;
    if (parse_nan(p + negative, end, &mantissa)) {
        *bits = (negative ? sign_bit : 0) | exponent_bits | mantissa;
        return true;
    }

    // strtod_l with the C locale rounds correctly and ignores the process
    // locale; it needs a terminated copy, and items are short.
    char copy[64];
    const std::size_t size = static_cast<std::size_t>(end - p);
    const char *digits = p + (*p == '-' || *p == '+');
    const bool hexadecimal = end - digits >= 2 && digits[0] == '0' && lower(digits[1]) == 'x';
    if (size >= sizeof copy || !is_decimal_start(*p) || hexadecimal)
        return false;
    std::memcpy(copy, p, size);
    copy[size] = '\0';
    const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    if (!c_locale)
        return false;
    char *stop = nullptr;
    errno = 0;
    const double value = strtod_l(copy, &stop, c_locale);
    freelocale(c_locale);
    if (stop != copy + size || (errno == ERANGE && std::isinf(value)))
        return false;
    std::memcpy(bits, &value, sizeof value);
    return true;
}

} // namespace corvalume
