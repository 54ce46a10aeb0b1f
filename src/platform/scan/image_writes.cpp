#include "platform/scan/image_writes.h"

#include "platform/files/folder_of.h"
#include "platform/files/stale_temps.h"
#include "platform/pictures/picture_store.h"

namespace scan {

std::optional<std::vector<std::uint8_t>> encodeJpeg(const Image& image) {
  if (!isValid(image)) return std::nullopt;
  return pictures::encodeJpeg(rowsOf(image));
}

std::optional<std::vector<std::uint8_t>> makePdf(const std::vector<std::uint8_t>& jpeg, const Image& image) {
  return pictures::makePdf(jpeg.data(), jpeg.size(), image.width, image.height, image.xDpi, image.yDpi);
}

bool writeImage(const Image& image, const std::string& path, pictures::Format format, files::Commit mode) {
  if (!isValid(image) || path.empty()) return false;
  const files::Folder folder(files::folderOf(path));
  files::tidyFolder(folder, pictures::isWholePicture);
  files::NewFile file(folder);
  if (!pictures::writeRows(rowsOf(image), format, file)) return false;
  const std::string name = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  return (mode == files::Commit::Replace ? file.replace(name) : file.claim(name)).durable;
}

bool writeBmp(const Image& image, const std::string& path, files::Commit mode) {
  return writeImage(image, path, pictures::Format::Bmp, mode);
}

bool writeJpeg(const Image& image, const std::string& path, files::Commit mode) {
  return writeImage(image, path, pictures::Format::Jpeg, mode);
}

bool writePdf(const Image& image, const std::string& path, files::Commit mode) {
  return writeImage(image, path, pictures::Format::Pdf, mode);
}

}  // namespace scan
