#pragma once
// The numeric and string semantics the program is written against.

#include <QString>
#include <cstdint>
#include <optional>

namespace rt {

// Booleans that cross module boundaries: true is -1, false is 0.
using Bool16 = std::int16_t;
constexpr Bool16 True = -1;
constexpr Bool16 False = 0;
constexpr Bool16 toBool16(bool b) { return b ? True : False; }

// The value of the number that the text starts with: leading blanks are
// skipped, a sign, digits, a fraction and an exponent are read; 0 when the
// text does not start with a number.
double Val(const QString& text);

// Rounds to the nearest integer, halves to even; nothing when the result
// does not fit 32 bits (or is not a number).
std::optional<std::int32_t> CLng(double value);

// Formats with the pattern "0000": at least four digits, zero-padded, the
// sign in front when negative.
QString Format0000(long long value);

// A path as the program shows it: every separator with a blank on each side.
QString DisplayPath(const QString& path);

// Text handed to a fixed character buffer: the part before the first zero
// character, cut to the buffer's capacity (terminator included).
QString FitToBuffer(const QString& text, int capacity);

}  // namespace rt
