#pragma once

#include <QColor>
#include <QWidget>

namespace velkaro::ui {

// A horizontal line of a window's line control array: one colour, as thick as the widget is high.
class LineShape : public QWidget
{
public:
    LineShape(int index, const QColor &colour, QWidget *parent);

    int index() const;
    QColor colour() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_index;
    QColor m_colour;
};

} // namespace velkaro::ui
