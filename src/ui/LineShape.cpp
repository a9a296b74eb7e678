#include "ui/LineShape.h"

#include <QPainter>

namespace velkaro::ui {

LineShape::LineShape(int index, const QColor &colour, QWidget *parent)
    : QWidget(parent)
    , m_index(index)
    , m_colour(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

int LineShape::index() const
{
    return m_index;
}

QColor LineShape::colour() const
{
    return m_colour;
}

void LineShape::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), m_colour);
}

} // namespace velkaro::ui
