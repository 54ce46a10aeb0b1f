#include "stills/save_problem.h"

#include <QFileInfo>

#include "platform/runtime/paths.h"

namespace stills {

namespace {

QString formatName(StillFormat format) {
  switch (format) {
    case StillFormat::Jpeg: return "JPEG";
    case StillFormat::Pdf: return "PDF";
    default: return "a bitmap";
  }
}

}  // namespace

QString SaveProblemText(const QString& path, int error) {
  const QString reason = error != 0 ? rt::SystemReason(error) : QStringLiteral("the video device gave no picture");
  return kSaveProblem + '\n' + path + ": " + reason;
}

QString FolderProblemText(const QString& path, int error) {
  return kSaveProblem + '\n' + QFileInfo(path).absolutePath() + " could not be created: " + rt::SystemReason(error);
}

QString RewriteProblemText(const QString& path, StillFormat format, int error,
                           const std::optional<QString>& bitmapPath) {
  QString line = path + " could not be written as " + formatName(format);
  if (error != 0) line += " (" + rt::SystemReason(error) + ")";
  line += bitmapPath ? "; the picture was kept as the bitmap " + *bitmapPath + "."
                     : "; the picture stays a bitmap under that name.";
  return kSaveProblem + '\n' + line;
}

std::optional<QString> ReturnToBitmapName(const QString& path) {
  if (path.size() < 5 || path[path.size() - 4] != '.') return std::nullopt;
  const QString bitmap = path.left(path.size() - 4) + ".bmp";
  if (bitmap == path || !rt::Name(path, bitmap)) return std::nullopt;
  return bitmap;
}

}  // namespace stills
