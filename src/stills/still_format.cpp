#include "stills/still_format.h"

#include "devices/EZTwain.h"
#include "platform/runtime/paths.h"

namespace stills {

StillFormat FormatForExtension(const QString& fileExt) {
  if (fileExt == ".bmp") return StillFormat::Bmp;
  if (fileExt == ".jpg") return StillFormat::Jpeg;
  if (fileExt == ".pdf") return StillFormat::Pdf;
  return StillFormat::None;
}

bool RewriteInFormat(const QString& path, StillFormat format) {
  if (format == StillFormat::None) return false;
  const QByteArray name = rt::Ansi(path);
  // Each writer releases the picture, whatever its outcome.
  const std::int32_t picture = TWAIN_LoadNativeFromFilename(name.constData());
  if (picture == 0) return false;
  std::int32_t status = scan::kWriteFailed;
  switch (format) {
    case StillFormat::Bmp: status = DIB_WriteToBmp(picture, name.constData()); break;
    case StillFormat::Jpeg: status = DIB_WriteToJpeg(picture, name.constData()); break;
    case StillFormat::Pdf: status = DIB_WriteToPdf(picture, name.constData()); break;
    case StillFormat::None: break;
  }
  return status == scan::kWriteOk;
}

}  // namespace stills
