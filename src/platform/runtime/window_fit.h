#pragma once
// Widths that let a window show all of its title and content.

#include <QString>

class QWidget;

namespace rt {

// The width a window needs for `caption` in the window manager's title bar:
// the text in a bold font somewhat larger than ours (as openbox's default
// theme draws it), the icon and three buttons.
int TitleBarWidth(const QString& caption);

// `wanted`, but no wider than the available area of the screen `window` is
// on (or the primary screen's, before it is shown).
int WithinScreenWidth(int wanted, const QWidget& window);

}  // namespace rt
