#include "platform/capture/dib.h"

namespace capture {

win::LRESULT answerSave(pictures::Picture picture, win::WPARAM request, win::LPARAM path) {
  if (!path) return 0;
  const std::string name(reinterpret_cast<const char*>(path));
  auto* save = reinterpret_cast<FrameSave*>(request);
  const pictures::Format format = save ? save->format : pictures::Format::Bmp;
  pictures::StoreResult result =
      pictures::storePicture(std::move(picture), name, format, save ? save->next : pictures::NextName{});
  const win::LRESULT saved = result.saved() ? 1 : 0;
  if (save) {
    save->result = std::move(result);
    save->answered = true;
  }
  return saved;
}

win::LRESULT answerRefusal(const QString& why, win::WPARAM request, win::LPARAM path) {
  auto* save = reinterpret_cast<FrameSave*>(request);
  if (!path || !save) return 0;
  save->result = pictures::refusedPicture(reinterpret_cast<const char*>(path), save->format, why);
  save->answered = true;
  return 0;
}

bool saveDib(const QImage& image, const std::string& path) {
  if (path.empty() || image.isNull()) return false;
  return pictures::storePicture(pictures::Frame{image}, path, pictures::Format::Bmp).saved();
}

}  // namespace capture
