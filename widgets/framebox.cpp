#include "widgets/framebox.h"

#include "widgets/screenwindow.h"

#include <QPainter>

namespace {
constexpr int CaptionIndent = 6; // pixels from the frame's left edge to its caption
constexpr int CaptionPadding = 2; // the gap in the border on each side of the caption
} // namespace

void FrameBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const qreal scale = ScreenWindow::layoutScale(this);
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const QRect border = rect().adjusted(0, top, -1, -1);

    // The etched line: a dark line with a light one just inside it.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(border.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(border.adjusted(1, 1, 0, 0));

    const QRect caption(qRound(CaptionIndent * scale), 0,
        metrics.horizontalAdvance(title()) + 2 * qRound(CaptionPadding * scale), metrics.height());
    painter.fillRect(caption, palette().color(backgroundRole()));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter, title());
}
