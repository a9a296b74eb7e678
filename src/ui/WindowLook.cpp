#include "ui/WindowLook.h"

#include <QGuiApplication>

namespace velkaro::ui {

QFont tableFont(const QString &family, qreal pointSize, QFont::Weight weight)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setWeight(weight);
    return font;
}

QFont windowDefaultFont(QFont::Weight weight)
{
    return tableFont(QStringLiteral("MS Sans Serif"), 8.25, weight);
}

QColor systemColour(QPalette::ColorRole role)
{
    return QGuiApplication::palette().color(QPalette::Active, role);
}

} // namespace velkaro::ui
