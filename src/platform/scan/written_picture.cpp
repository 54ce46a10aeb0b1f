#include "platform/scan/written_picture.h"

#include <mutex>

namespace scan {

namespace {

struct Kept {
  std::mutex mutex;
  std::optional<WrittenPicture> picture;
};

Kept& kept() {
  static Kept k;
  return k;
}

}  // namespace

bool rememberWritten(const std::string& path, Image image) {
  Kept& k = kept();
  std::optional<WrittenPicture> dropped;  // freed outside the lock
  const auto identity = files::identityOf(path);
  std::lock_guard lock(k.mutex);
  dropped = std::move(k.picture);
  k.picture.reset();
  if (!identity) return false;
  k.picture = WrittenPicture{std::move(image), path, *identity};
  return true;
}

std::optional<WrittenPicture> takeWritten(const std::string& path) {
  Kept& k = kept();
  std::lock_guard lock(k.mutex);
  if (!k.picture || k.picture->path != path) return std::nullopt;
  std::optional<WrittenPicture> taken = std::move(k.picture);
  k.picture.reset();
  // A file written to or replaced since is no longer this picture.
  if (files::identityOf(path) != taken->identity) return std::nullopt;
  return taken;
}

void forgetWritten() {
  Kept& k = kept();
  std::optional<WrittenPicture> dropped;
  std::lock_guard lock(k.mutex);
  dropped = std::move(k.picture);
  k.picture.reset();
}

}  // namespace scan
