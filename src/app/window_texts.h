#pragma once
// Captions and the small helpers that build menus with named entries (the
// object name is the entry's name, so tests and code find it by name).

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QFont>
#include <QString>

namespace app {

inline const QString kMainCaption = "Orvalux Video Image Capture 1.22";
inline const QString kTwainCaption = "Orvalux Video Image Capture 1.22 - Twain Capture";
inline const QString kViewerCaption = "Captured Image";
inline const QString kControlCaption = "FormControl";
inline const QString kAboutCaption = "About Orvalux Video Image Capture 1.22";
inline const QString kAboutBuild = "Orvalux Video Image Capture 1.22 Build 050808";

QMenu* menu(QMenuBar* bar, const QString& name, const QString& caption);
QAction* command(QWidget* parent, const QString& name, const QString& caption,
                 const QKeySequence& shortcut = {});
QAction* separator(QMenu* parent, const QString& name);

}  // namespace app

namespace app {
// Arial, normal weight, at a fractional point size; where Arial is missing,
// its metric twin Liberation Sans, so that texts keep the designed widths.
QFont arial(double points);
// Makes that family the font of every window, menu, list and dialog, at the
// desktop's usual size.
void UseDesignFont();
}  // namespace app
