#include "app/window_texts.h"

#include <QApplication>

namespace app {

QMenu* menu(QMenuBar* bar, const QString& name, const QString& caption) {
  QMenu* m = bar->addMenu(caption);
  m->setObjectName(name);
  m->menuAction()->setObjectName(name);
  return m;
}

QAction* command(QWidget* parent, const QString& name, const QString& caption, const QKeySequence& shortcut) {
  auto action = new QAction(caption, parent);
  action->setObjectName(name);
  if (!shortcut.isEmpty()) {
    action->setShortcut(shortcut);
    // The keys work in the window without opening the menu.
    action->setShortcutContext(Qt::WindowShortcut);
  }
  parent->addAction(action);
  return action;
}

QAction* separator(QMenu* parent, const QString& name) {
  QAction* s = parent->addSeparator();
  s->setObjectName(name);
  return s;
}

}  // namespace app

namespace app {
QFont arial(double points) {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  return font;
}

void UseDesignFont() {
  const QFont usual = QApplication::font();
  QApplication::setFont(arial(usual.pointSizeF() > 0 ? usual.pointSizeF() : 9.0));
}
}  // namespace app
