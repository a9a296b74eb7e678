#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

namespace velkaro::ui {

// A font as the window tables name it. Their character set 204 (Cyrillic) has no counterpart here:
// Qt text is Unicode and the font matcher finds Cyrillic glyphs by itself.
QFont tableFont(const QString &family, qreal pointSize, QFont::Weight weight = QFont::Normal);

// "MS Sans Serif" 8.25 pt, the default font of the program's windows.
QFont windowDefaultFont(QFont::Weight weight = QFont::Normal);

// A system colour of the desktop's palette, as the active window shows it.
QColor systemColour(QPalette::ColorRole role);

} // namespace velkaro::ui
