#include "stills/save_problem.h"

#include <QFileInfo>

#include "platform/runtime/paths.h"

namespace stills {

namespace {

QString formatName(pictures::Format format) {
  switch (format) {
    case pictures::Format::Jpeg: return "JPEG";
    case pictures::Format::Pdf: return "PDF";
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

QString StoreProblemText(const QString& path, const pictures::StoreResult& result) {
  if (result.refused && !result.refusal.isEmpty()) return kSaveProblem + '\n' + path + ": " + result.refusal;
  if (result.refused)
    return kSaveProblem + '\n' + path + ": the picture cannot be written as " + formatName(result.format);
  QString text = SaveProblemText(path, result.failure.error);
  if (result.stands) text += "\nThe file stands under that name but may not have reached the disk.";
  return text;
}

}  // namespace stills
