#include "devices/MemCap.h"

#include <QStringDecoder>
#include <array>
#include <cstring>

#include "app/forms.h"

namespace devices {

QString ReadDriverText(const char* text) {
  std::array<char, kDriverTextBuffer> buffer{};
  const std::size_t length = text ? strnlen(text, buffer.size() - 1) : 0;
  if (text) std::memcpy(buffer.data(), text, length);
  // Only after a cut does a stateful decoder hold back a multibyte character
  // left incomplete; a whole text shows every byte, a bad one as a
  // replacement character.
  const bool cut = length == buffer.size() - 1;
  QStringDecoder decode(QStringDecoder::System, cut ? QStringDecoder::Flag::Default : QStringDecoder::Flag::Stateless);
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
  if (auto* window = app::form1.ifLoaded()) {
    window->StatusBar->showMessage(text);
    window->StatusBar->setToolTip(QString());  // it named a saved file
  }
}

}  // namespace devices
