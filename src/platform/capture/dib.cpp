#include "platform/capture/dib.h"

namespace capture {

win::LRESULT answerSave(const QImage& frame, win::WPARAM request, win::LPARAM path) {
  if (!path) return 0;
  const std::string name(reinterpret_cast<const char*>(path));
  auto* save = reinterpret_cast<FrameSave*>(request);
  if (save == nullptr) return saveDib(frame, name) ? 1 : 0;
  save->result = pictures::storePicture(pictures::Frame{frame}, name, save->format, save->next);
  save->answered = true;
  return save->result.saved() ? 1 : 0;
}

bool saveDib(const QImage& image, const std::string& path) {
  if (path.empty() || image.isNull()) return false;
  return pictures::storePicture(pictures::Frame{image}, path, pictures::Format::Bmp).saved();
}

}  // namespace capture
