#include "platform/filedialog/text_buffer.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/paths.h"
#include "platform/runtime/vb.h"

namespace filedialog {

void fillBuffer(char* buffer, std::uint32_t capacity, const QString& text) {
  if (buffer == nullptr || capacity == 0) return;
  const int characters = static_cast<int>(std::min<std::uint32_t>(capacity, 1u << 30));
  QString kept = rt::FitToBuffer(text, characters);
  if (!kept.isEmpty() && kept.back().isHighSurrogate()) kept.chop(1);
  QByteArray bytes = rt::Ansi(kept);
  while (bytes.size() >= static_cast<qsizetype>(capacity)) {
    kept.chop(kept.size() >= 2 && kept.back().isLowSurrogate() ? 2 : 1);
    bytes = rt::Ansi(kept);
  }
  std::memset(buffer, 0, capacity);
  std::memcpy(buffer, bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString bufferText(const char* buffer, std::uint32_t capacity) {
  if (buffer == nullptr || capacity == 0) return {};
  return QString::fromLocal8Bit(buffer, static_cast<qsizetype>(strnlen(buffer, capacity)));
}

}  // namespace filedialog
