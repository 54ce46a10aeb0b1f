#pragma once
// The video-format dialog: frame size and, for a camera, pixel format.
// Widgets: QComboBox "pixelFormat" (hidden when there is no choice),
// QComboBox "frameSize", QCheckBox "keepJpeg" (shown for the camera's JPEG
// formats only, "Automatic" included while it gives JPEG), QDialogButtonBox
// "buttons".

#include <QDialog>
#include <functional>
#include <vector>

#include "platform/capture/device.h"

class QCheckBox;
class QComboBox;

namespace capture {

class FormatDialog : public QDialog {
  Q_OBJECT
 public:
  using SizesFor = std::function<std::vector<QSize>(std::uint32_t fourcc)>;
  FormatDialog(const QString& device, const std::vector<PixelFormat>& formats, SizesFor sizesFor, QSize current,
               std::uint32_t currentFormat, bool keepJpeg = true, bool automaticIsJpeg = false,
               QWidget* parent = nullptr);

  QSize chosenSize() const;
  std::uint32_t chosenFormat() const;
  // "Save the camera's JPEG as it is": JPEG captures take the frame as the
  // camera made it, without decoding and encoding it again.
  bool keepCameraJpeg() const;

 private:
  void fillSizes(QSize keep);
  QComboBox* format_;
  QCheckBox* keepJpeg_;
  QComboBox* size_;
  SizesFor sizesFor_;
};

}  // namespace capture
