#include "platform/capture/format_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

#include "platform/capture/pixels.h"
#include "platform/capture/v4l2_camera.h"

namespace capture {

FormatDialog::FormatDialog(const QString& device, const std::vector<PixelFormat>& formats, SizesFor sizesFor,
                           QSize current, std::uint32_t currentFormat, bool keepJpeg, bool automaticIsJpeg,
                           QWidget* parent)
    : QDialog(parent),
      format_(new QComboBox(this)),
      keepJpeg_(new QCheckBox(tr("Save the camera's JPEG as it is"), this)),
      size_(new QComboBox(this)),
      sizesFor_(std::move(sizesFor)) {
  setWindowTitle(tr("Video Format"));
  format_->setObjectName("pixelFormat");
  size_->setObjectName("frameSize");

  auto* form = new QFormLayout(this);
  form->addRow(new QLabel(device, this));
  format_->addItem(tr("Automatic"), QVariant::fromValue<std::uint32_t>(0));
  for (const PixelFormat& f : formats)
    format_->addItem(fourccText(f.fourcc) + " - " + f.description, QVariant::fromValue(f.fourcc));
  const int at = format_->findData(QVariant::fromValue(currentFormat));
  format_->setCurrentIndex(at < 0 ? 0 : at);
  if (formats.empty())
    format_->hide();
  else
    form->addRow(tr("Pixel format:"), format_);
  form->addRow(tr("Frame size:"), size_);
  keepJpeg_->setObjectName("keepJpeg");
  keepJpeg_->setChecked(keepJpeg);
  form->addRow(keepJpeg_);
  auto showKeep = [this, automaticIsJpeg] {
    const std::uint32_t f = chosenFormat();
    keepJpeg_->setVisible(f == kMjpeg || f == kJpeg || (f == 0 && automaticIsJpeg));
  };
  showKeep();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("buttons");
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  fillSizes(current);
  connect(format_, &QComboBox::currentIndexChanged, this, [this, showKeep] {
    fillSizes(chosenSize());
    showKeep();
  });
}

void FormatDialog::fillSizes(QSize keep) {
  std::vector<QSize> sizes = sizesFor_ ? sizesFor_(chosenFormat()) : std::vector<QSize>{};
  if (sizes.empty() && !keep.isEmpty()) sizes.push_back(keep);
  size_->clear();
  for (QSize s : sizes) size_->addItem(QStringLiteral("%1 x %2").arg(s.width()).arg(s.height()), s);
  size_->setCurrentIndex(size_->findData(nearestSize(sizes, keep)));
}

QSize FormatDialog::chosenSize() const { return size_->currentData().toSize(); }

bool FormatDialog::keepCameraJpeg() const { return keepJpeg_->isChecked(); }

std::uint32_t FormatDialog::chosenFormat() const { return format_->currentData().value<std::uint32_t>(); }

}  // namespace capture
