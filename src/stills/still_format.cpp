#include "stills/still_format.h"

#include "devices/EZTwain.h"
#include "platform/files/durability.h"
#include "platform/runtime/paths.h"

namespace stills {

StillFormat FormatForExtension(const QString& fileExt) {
  if (fileExt == ".bmp") return StillFormat::Bmp;
  if (fileExt == ".jpg") return StillFormat::Jpeg;
  if (fileExt == ".pdf") return StillFormat::Pdf;
  return StillFormat::None;
}

std::int32_t LoadCapturedBitmap(const QString& path) {
  return TWAIN_LoadNativeFromFilename(rt::Ansi(path).constData());
}

QImage ToQImage(const scan::Image& picture) {
  if (!scan::isValid(picture)) return {};
  const bool grey = picture.channels == 1;
  const bool bitmap = picture.layout == scan::Layout::Bitmap;
  const QImage::Format format = grey ? QImage::Format_Grayscale8 : bitmap ? QImage::Format_BGR888 : QImage::Format_RGB888;
  const QImage view(picture.pixels.data(), picture.width, picture.height, static_cast<qsizetype>(picture.stride()),
                    format);
  QImage copy = view.convertToFormat(QImage::Format_RGB32);
  if (bitmap) copy.mirror();
  return copy;
}

bool RewriteInFormat(std::int32_t picture, const QString& path, StillFormat format) {
  const QByteArray name = rt::Ansi(path);
  std::int32_t status = scan::kWriteFailed;
  // Each writer releases the picture, whatever its outcome.
  switch (format) {
    case StillFormat::Bmp: status = DIB_WriteToBmp(picture, name.constData()); break;
    case StillFormat::Jpeg: status = DIB_WriteToJpeg(picture, name.constData()); break;
    case StillFormat::Pdf: status = DIB_WriteToPdf(picture, name.constData()); break;
    case StillFormat::None: DIB_Free(picture); break;
  }
  // The capture window's bitmap was left unflushed for the conversion; when
  // it stays it goes to disk now.
  if (status != scan::kWriteOk) files::flushToDisk(name.toStdString());
  return status == scan::kWriteOk;
}

}  // namespace stills
