#include "platform/scan/image_files.h"

#include <string>

#include "platform/files/durability.h"
#include "platform/scan/image_file_read.h"
#include "platform/scan/written_picture.h"

namespace {

using Writer = bool (*)(const scan::Image&, const std::string&, files::Commit);

std::int32_t writeAndRelease(std::int32_t handle, const char* path, Writer writer) {
  auto image = scan::releaseImage(handle);
  if (!image) return scan::kBadHandle;
  if (path == nullptr || *path == '\0') return scan::kBadPath;
  return writer(*image, path, files::Commit::Replace) ? scan::kWriteOk : scan::kWriteFailed;
}

}  // namespace

std::int32_t TWAIN_LoadNativeFromFilename(const char* path) {
  if (path == nullptr) return 0;
  // The bitmap this library has just written is served as it was written.
  if (auto written = scan::takeWritten(path))
    return scan::registerImage(std::move(written->image), scan::SourceFile{written->path, written->identity});
  auto bytes = scan::readImageFile(path);
  if (!bytes) return 0;
  auto image = scan::decodeBmp(bytes->data.get(), bytes->size);
  return image ? scan::registerImage(std::move(*image)) : 0;
}

std::int32_t DIB_WriteToBmp(std::int32_t handle, const char* path) {
  auto held = scan::releaseWithSource(handle);
  if (!held) return scan::kBadHandle;
  if (path == nullptr || *path == '\0') return scan::kBadPath;
  // A picture put back as a bitmap into the very file it was served from is
  // there already; it only has to reach the disk.
  const auto& source = held->second;
  if (source && source->path == path && files::identityOf(path) == source->identity)
    return files::flushToDisk(path) ? scan::kWriteOk : scan::kWriteFailed;
  return scan::writeBmp(held->first, path, files::Commit::Replace) ? scan::kWriteOk : scan::kWriteFailed;
}

std::int32_t DIB_WriteToJpeg(std::int32_t handle, const char* path) {
  return writeAndRelease(handle, path, scan::writeJpeg);
}

std::int32_t DIB_WriteToPdf(std::int32_t handle, const char* path) {
  return writeAndRelease(handle, path, scan::writePdf);
}

std::int32_t DIB_Free(std::int32_t handle) {
  return scan::releaseImage(handle) ? scan::kWriteOk : scan::kBadHandle;
}
