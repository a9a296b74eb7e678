#include "ui/WindowLook.h"

#include <QGuiApplication>
#include <QWidget>

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

QColor captionTextColour()
{
    return systemColour(QPalette::HighlightedText);
}

void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

void describeControls(QWidget *window)
{
    window->setAccessibleDescription(window->objectName());
    for (QWidget *control : window->findChildren<QWidget *>()) {
        if (!control->objectName().isEmpty() && !control->objectName().startsWith(u"qt_"))
            control->setAccessibleDescription(control->objectName());
    }
}

} // namespace velkaro::ui
