#pragma once
// The video-format dialog: frame size and, for a camera, pixel format.
// Widgets: QComboBox "pixelFormat" (hidden when there is no choice),
// QComboBox "frameSize", QDialogButtonBox "buttons".

#include <QDialog>
#include <functional>
#include <vector>

#include "platform/capture/device.h"

class QComboBox;

namespace capture {

class FormatDialog : public QDialog {
  Q_OBJECT
 public:
  using SizesFor = std::function<std::vector<QSize>(std::uint32_t fourcc)>;
  FormatDialog(const QString& device, const std::vector<PixelFormat>& formats, SizesFor sizesFor, QSize current,
               std::uint32_t currentFormat, QWidget* parent = nullptr);

  QSize chosenSize() const;
  std::uint32_t chosenFormat() const;

 private:
  void fillSizes(QSize keep);
  QComboBox* format_;
  QComboBox* size_;
  SizesFor sizesFor_;
};

}  // namespace capture
