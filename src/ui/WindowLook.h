#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QWidget;

namespace velkaro::ui {

// A font as the window tables name it. Their character set 204 (Cyrillic) has no counterpart here:
// Qt text is Unicode and the font matcher finds Cyrillic glyphs by itself.
QFont tableFont(const QString &family, qreal pointSize, QFont::Weight weight = QFont::Normal);

// "MS Sans Serif" 8.25 pt, the default font of the program's windows.
QFont windowDefaultFont(QFont::Weight weight = QFont::Normal);

// A system colour of the desktop's palette, as the active window shows it.
QColor systemColour(QPalette::ColorRole role);

// The caption-text colour. Qt has no role for the title-bar text; its styles draw an active title bar's text
// in HighlightedText on the Highlight colour.
QColor captionTextColour();

// Gives `widget` the colour `colour` for `role`, keeping the rest of its palette.
void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour);

// Screen readers and tools driving the program find each control by its name in the description: `window`
// and every named child but Qt's own get their object name as accessible description.
void describeControls(QWidget *window);

} // namespace velkaro::ui
