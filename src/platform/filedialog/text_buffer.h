#pragma once
// Fixed 8-bit character buffers of the dialog record.

#include <QString>
#include <cstdint>

namespace filedialog {

// Zero-fills the buffer and copies the text's 8-bit form into it, cut at
// its first zero character and then to fit `capacity` with the terminator,
// never inside a character. Nothing for a null buffer or no capacity.
void fillBuffer(char* buffer, std::uint32_t capacity, const QString& text);

// The text up to the first zero character, or to `capacity` when there is
// none.
QString bufferText(const char* buffer, std::uint32_t capacity);

}  // namespace filedialog
