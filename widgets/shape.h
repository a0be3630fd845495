#pragma once

#include <QColor>
#include <QWidget>

// A rounded rectangle drawn behind other controls: a filled panel with a border. It takes no
// input, so clicks and pointer movement fall through to the window beneath.
class Shape : public QWidget
{
    Q_OBJECT

public:
    Shape(QColor fill, QColor border, int borderWidth, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    QColor m_border;
    int m_borderWidth; // pixels, drawn inside the outline
};
