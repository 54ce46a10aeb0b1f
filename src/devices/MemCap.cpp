#include "devices/MemCap.h"

#include <QStringDecoder>
#include <array>
#include <cstring>

#include "app/forms.h"

namespace devices {

QString ReadDriverText(const char* text) {
  std::array<char, kDriverTextBuffer> buffer{};
  if (text) std::memcpy(buffer.data(), text, strnlen(text, buffer.size() - 1));
  // A stateful decoder holds back a multibyte character that the cut left
  // incomplete instead of turning it into a replacement character.
  QStringDecoder decode(QStringDecoder::System);
  return decode(QByteArrayView(buffer.data(), qsizetype(std::strlen(buffer.data()))));
}

win::LRESULT CaptureErrorCallback(win::HWND, std::int32_t id, const char* text) {
  if (id == 0) return 0;
  ShowStatusText(ReadDriverText(text), id);
  return 0;
}

win::LRESULT CaptureStatusCallback(win::HWND, std::int32_t id, const char* text) {
  if (id == 0) return 0;
  ShowStatusText(ReadDriverText(text), id);
  return 0;
}

void ShowStatusText(const QString& text, std::int32_t) {
  // A callback must never load the window.
  if (auto* window = app::form1.ifLoaded()) window->StatusBar->showMessage(text);
}

}  // namespace devices
