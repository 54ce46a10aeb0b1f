#include "app/Form3.h"

#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include "app/forms.h"
#include "app/settings_values.h"
#include "app/window_texts.h"
#include "platform/runtime/dialogs.h"

namespace app {

namespace {
rt::FormDesign makeDesign() {
  rt::FormDesign d;
  d.caption = kViewerCaption;
  d.border = rt::BorderStyle::FixedSingle;
  d.minButton = false;
  d.maxButton = false;
  d.inTaskbar = true;
  d.start = rt::StartPosition::WindowsDefault;
  d.clientWidth = 3780;
  d.clientHeight = 2805;
  return d;
}
}  // namespace

Form3Window::Form3Window() : rt::Form(makeDesign()) {
  // The picture at 4 : 3 on top and the path in a strip of two lines below,
  // so that the name stays readable once a picture is shown. A path too
  // long for the strip loses its start, never the file name.
  lbFilename = new QLabel(client());
  lbFilename->setObjectName("lbFilename");
  lbFilename->setGeometry(4, 152, 244, 32);
  lbFilename->setFont(arial(9.75));
  lbFilename->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
  lbFilename->setWordWrap(true);
  lbFilename->setAutoFillBackground(true);
  lbFilename->setBackgroundRole(QPalette::Base);
  lbFilename->setForegroundRole(QPalette::Text);

  Image1 = new PictureLabel(client());
  Image1->setObjectName("Image1");
  Image1->setGeometry(30, 4, 192, 144);
  Image1->setScaledContents(true);
  Image1->setFrameShape(QFrame::NoFrame);
  Image1->installEventFilter(this);
}

QString OpenProblemText(const QString& path, bool fileExists, bool openerInstalled) {
  const QString file = QDir::toNativeSeparators(path);
  if (!fileExists) return file + " cannot be opened: the file is no longer there.";
  if (!openerInstalled)
    return file + " cannot be opened: no program to open files with is installed (xdg-open, in xdg-utils).";
  return file + " cannot be opened: the desktop has no application for it.";
}

void Form3Window::Image1_DblClick() {
  if (PicturePath.isEmpty()) return;
  const QString path = PicturePath;
  if (QFileInfo(path).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return;
  rt::MsgBox(OpenProblemText(path, QFileInfo(path).isFile(), !QStandardPaths::findExecutable("xdg-open").isEmpty()),
             rt::vbOKOnly | rt::vbInformation, kAppTitle);
}

QAction* ForwardedCommand(const QKeyEvent& key, form1Design* live) {
  if (!live || !live->isVisible()) return nullptr;
  QAction* capture = live->mnuCapFrame;
  if (!capture->isEnabled() || capture->shortcut().isEmpty()) return nullptr;
  if (key.isAutoRepeat() && !capture->autoRepeat()) return nullptr;
  return QKeySequence(key.keyCombination()) == capture->shortcut() ? capture : nullptr;
}

// The viewer has no commands of its own; the live window's capture key
// still counts here, so that a press is not lost when the desktop gives the
// viewer the focus (a newly shown window gets it on Wayland) or the user
// clicks into it.
void Form3Window::Form_KeyDown(QKeyEvent& event) {
  if (QAction* command = ForwardedCommand(event, form1.ifLoaded())) {
    event.accept();
    command->trigger();
    return;
  }
  event.ignore();
}

void Form3Window::keyPressEvent(QKeyEvent* event) { Form_KeyDown(*event); }

bool Form3Window::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image1 && event->type() == QEvent::MouseButtonDblClick) Image1_DblClick();
  return rt::Form::eventFilter(watched, event);
}

}  // namespace app
