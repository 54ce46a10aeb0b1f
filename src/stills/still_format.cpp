#include "stills/still_format.h"

#include "devices/EZTwain.h"
#include "platform/scan/image_file_read.h"
#include "platform/runtime/paths.h"

namespace stills {

StillFormat FormatForExtension(const QString& fileExt) {
  if (fileExt == ".bmp") return StillFormat::Bmp;
  if (fileExt == ".jpg") return StillFormat::Jpeg;
  if (fileExt == ".pdf") return StillFormat::Pdf;
  return StillFormat::None;
}

std::optional<scan::Image> ReadCapturedBitmap(const QString& path) {
  const QByteArray name = rt::Ansi(path);
  const auto bytes = scan::readImageFile(name.constData());
  if (!bytes) return std::nullopt;
  return scan::decodeBmp(bytes->data.get(), bytes->size);
}

QImage ToQImage(const scan::Image& picture) {
  if (!scan::isValid(picture)) return {};
  const QImage view(picture.pixels.data(), picture.width, picture.height, static_cast<qsizetype>(picture.rowBytes()),
                    picture.channels == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
  return view.convertToFormat(QImage::Format_RGB32);
}

bool RewriteInFormat(scan::Image picture, const QString& path, StillFormat format) {
  if (format == StillFormat::None) return false;
  const QByteArray name = rt::Ansi(path);
  // Each writer releases the picture, whatever its outcome.
  const std::int32_t handle = scan::registerImage(std::move(picture));
  if (handle == 0) return false;
  std::int32_t status = scan::kWriteFailed;
  switch (format) {
    case StillFormat::Bmp: status = DIB_WriteToBmp(handle, name.constData()); break;
    case StillFormat::Jpeg: status = DIB_WriteToJpeg(handle, name.constData()); break;
    case StillFormat::Pdf: status = DIB_WriteToPdf(handle, name.constData()); break;
    case StillFormat::None: break;
  }
  return status == scan::kWriteOk;
}

}  // namespace stills
