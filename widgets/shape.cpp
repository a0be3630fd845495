#include "widgets/shape.h"

#include "widgets/screenwindow.h"

#include <QPainter>

namespace {
// Corner radius as a fraction of the shorter side: the classic rounded rectangle of the old
// shape control, about an eighth of the short side.
constexpr qreal CornerFraction = 1.0 / 8.0;
} // namespace

Shape::Shape(QColor fill, QColor border, int borderWidth, QWidget *parent)
    : QWidget(parent)
    , m_fill(fill)
    , m_border(border)
    , m_borderWidth(borderWidth)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal borderWidth = m_borderWidth * ScreenWindow::layoutScale(this);
    const qreal inset = borderWidth / 2.0;
    const QRectF outline = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    const qreal radius = qMin(width(), height()) * CornerFraction;
    painter.setPen(QPen(m_border, borderWidth));
    painter.setBrush(m_fill);
    painter.drawRoundedRect(outline, radius, radius);
}
