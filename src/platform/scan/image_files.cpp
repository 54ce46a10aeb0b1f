#include "platform/scan/image_files.h"

#include <string>

#include "platform/scan/image_file_read.h"

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
  auto bytes = scan::readImageFile(path);
  if (!bytes) return 0;
  auto image = scan::decodeBmp(bytes->data.get(), bytes->size);
  return image ? scan::registerImage(std::move(*image)) : 0;
}

std::int32_t DIB_WriteToBmp(std::int32_t handle, const char* path) {
  return writeAndRelease(handle, path, scan::writeBmp);
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
