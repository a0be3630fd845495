#include "widgets/inkwidgets.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// The small kana a child writes; each sits one code point below its large letter (っ, つ).
const QString SmallKana = QStringLiteral("ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮ");
// In a writing square a small kana takes about the lower-left 60% of its large letter's place.
constexpr qreal SmallKanaShare = 0.6;

// Where `ink` (bounds of a path drawn with its baseline at y = 0) goes in `area`, drawn as a label
// or button would draw it: the box its scaled ink fills.
QRectF placeInk(
    const QRectF &ink, const QFontMetricsF &metrics, const QRectF &area, Qt::Alignment alignment)
{
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
    return QRectF(topLeft, inkSize);
}

} // namespace

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
    QRectF target = placeInk(ink, metrics, QRectF(box), alignment);
    if (text.size() == 1 && SmallKana.contains(text[0])) {
        // Fonts draw small kana only a little smaller, and a centred button caption would lose
        // where it sits; so it goes where a child writes it: in the lower left of the place its
        // large letter takes, plainly smaller.
        QPainterPath large;
        large.addText(0, 0, painter.font(), QString(QChar(char16_t(text[0].unicode() + 1))));
        const QRectF place = placeInk(large.boundingRect(), metrics, QRectF(box), alignment);
        const qreal side = SmallKanaShare * qMax(place.width(), place.height());
        const QRectF corner(place.left(), place.bottom() - side, side, side);
        const qreal fit = qMin(side / ink.width(), side / ink.height());
        target = QRectF(QPointF(), ink.size() * fit);
        target.moveCenter(corner.center());
    }

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.topLeft());
    painter.scale(target.width() / ink.width(), target.height() / ink.height());
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
