#include "platform/scan/image_handles.h"

#include <limits>
#include <map>
#include <mutex>

namespace scan {

namespace {

struct Held {
  Image image;
  std::optional<SourceFile> source;
};

struct Table {
  std::mutex mutex;
  std::map<std::int32_t, Held> images;
  std::int32_t last = 0;
};

Table& table() {
  static Table t;
  return t;
}

std::int32_t nextFree(Table& t) {
  do {
    t.last = t.last == std::numeric_limits<std::int32_t>::max() ? 1 : t.last + 1;
  } while (t.images.count(t.last) != 0);
  return t.last;
}

}  // namespace

std::int32_t registerImage(Image image, std::optional<SourceFile> source) {
  if (!isValid(image)) return 0;
  Table& t = table();
  std::lock_guard lock(t.mutex);
  const std::int32_t handle = nextFree(t);
  t.images.emplace(handle, Held{std::move(image), std::move(source)});
  return handle;
}

std::optional<std::pair<Image, std::optional<SourceFile>>> releaseWithSource(std::int32_t handle) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.images.find(handle);
  if (handle == 0 || it == t.images.end()) return std::nullopt;
  Held held = std::move(it->second);
  t.images.erase(it);
  return std::pair{std::move(held.image), std::move(held.source)};
}

std::optional<Image> releaseImage(std::int32_t handle) {
  auto released = releaseWithSource(handle);
  if (!released) return std::nullopt;
  return std::move(released->first);
}

const Image* heldImage(std::int32_t handle) {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  auto it = t.images.find(handle);
  return handle == 0 || it == t.images.end() ? nullptr : &it->second.image;
}

std::size_t heldImageCount() {
  Table& t = table();
  std::lock_guard lock(t.mutex);
  return t.images.size();
}

}  // namespace scan
