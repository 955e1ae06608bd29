// Decimal text for doubles, independent of the process locale.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvalume {

// Room for any text format_exact writes, its NUL included.
constexpr std::size_t exact_text_size = 32;

// Writes `value` as "%g" does in the C locale and returns the end of the
// text; [first, last) must hold at least 16 characters.
char *format_general(char *first, char *last, double value) noexcept;

// Writes the shortest text that reads back to exactly these bits, NaN
// payloads and the sign of zero included, and NUL-terminates it.  `out`
// has room for exact_text_size characters.  Returns the text's length.
std::size_t format_exact(char *out, std::uint64_t bits) noexcept;

// Reads [text, text + length) as a number written by format_exact (or any
// plain decimal number), white space around it allowed.  On success stores
// the double's bits in `bits` and returns true; otherwise leaves `bits`.
bool parse_exact(const char *text, std::size_t length, std::uint64_t *bits) noexcept;

} // namespace corvalume
