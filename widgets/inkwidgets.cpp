#include "widgets/inkwidgets.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

void drawInkText(QPainter &painter, const QRect &box, const QString &text, Qt::Alignment alignment)
{
    if (text.isEmpty())
        return;
    QPainterPath path;
    path.addText(0, 0, painter.font(), text); // baseline at y = 0
    const QRectF ink = path.boundingRect();
    if (ink.isEmpty())
        return;

    const QFontMetricsF metrics(painter.font());
    const QRectF area(box);
    const qreal scale = qMin(1.0, qMin(area.width() / ink.width(), area.height() / ink.height()));
    const QSizeF inkSize = ink.size() * scale;

    // Where ordinary text drawing would put the ink's top-left corner.
    QPointF topLeft;
    if (alignment & Qt::AlignHCenter)
        topLeft.setX(area.center().x() - inkSize.width() / 2);
    else
        topLeft.setX(area.left() + ink.left() * scale);
    if (alignment & Qt::AlignVCenter)
        topLeft.setY(area.center().y() - inkSize.height() / 2);
    else
        topLeft.setY(area.top() + (metrics.ascent() + ink.top()) * scale);

    // Moved back inside where it would stick out.
    topLeft.setX(qBound(area.left(), topLeft.x(), area.right() + 1 - inkSize.width()));
    topLeft.setY(qBound(area.top(), topLeft.y(), area.bottom() + 1 - inkSize.height()));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(topLeft);
    painter.scale(scale, scale);
    painter.translate(-ink.topLeft());
    painter.fillPath(path, painter.pen().color());
    painter.restore();
}

void InkLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    drawInkText(painter, contentsRect(), text(), alignment());
}

void InkButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this) / 2 + 1;
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    drawInkText(
        painter, rect().adjusted(margin, margin, -margin, -margin), text(), Qt::AlignCenter);
}
