#include "widgets/screenstyle.h"

#include "widgets/screenwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QStyleFactory>
#include <QStyleOption>

namespace {
const char GraphicalProperty[] = "graphical";
constexpr int PressedDarkness = 130; // QColor::darker: the pressed face is 1/1.3 as bright
constexpr int EdgeDarkness = 160; // the thin edge around a flat face
constexpr int OptionRingWidth = 2; // pixels: an option button's caption leaves less room

qreal linear(qreal channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}
qreal luminance(const QColor &colour)
{
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
        + 0.0722 * linear(colour.blueF());
}

// Fills the band `width` pixels wide just inside `outer`.
void fillRing(QPainter *painter, const QRect &outer, int width, const QColor &colour)
{
    QPainterPath ring;
    ring.addRect(outer);
    ring.addRect(outer.adjusted(width, width, -width, -width));
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->fillPath(ring, colour);
    painter->restore();
}

int scaled(int pixels, const QWidget *widget)
{
    return qRound(pixels * ScreenWindow::layoutScale(widget));
}
} // namespace

ScreenStyle::ScreenStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
{ }

void ScreenStyle::install()
{
    if (!qobject_cast<ScreenStyle *>(QApplication::style()))
        QApplication::setStyle(new ScreenStyle);
}

qreal ScreenStyle::contrast(const QColor &a, const QColor &b)
{
    const qreal la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor ScreenStyle::focusColour(const QColor &face, const QColor &highlight)
{
    QColor colour = highlight;
    for (int step = 0; step < 20 && contrast(colour, face) < MinimumFocusContrast; ++step)
        colour = colour.darker(125);
    return colour;
}

void ScreenStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
    QPainter *painter, const QWidget *widget) const
{
    switch (element) {
    case PE_PanelButtonCommand:
        if (isGraphical(widget)) {
            const QColor face = option->palette.color(QPalette::Button);
            const bool pressed = option->state & (State_Sunken | State_On);
            painter->fillRect(option->rect, pressed ? face.darker(PressedDarkness) : face);
            painter->save();
            painter->setPen(face.darker(EdgeDarkness));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
            painter->restore();
            return;
        }
        break;
    case PE_FrameFocusRect:
        if (widget && (option->state & State_HasFocus)) {
            drawFocusRing(option, painter, widget);
            return;
        }
        break;
    case PE_PanelLineEdit:
    case PE_FrameLineEdit:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (widget && (option->state & State_HasFocus))
            fillRing(painter, option->rect, OptionRingWidth,
                focusColour(option->palette.color(QPalette::Base),
                    option->palette.color(QPalette::Active, QPalette::Highlight)));
        return;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

// Fusion shows the focus only after a key has moved it, and then as a faint line; the ring is
// drawn over whatever the control has drawn.
void ScreenStyle::drawFocusRing(
    const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    const QColor face = widget->palette().color(widget->backgroundRole());
    const QColor colour
        = focusColour(face, widget->palette().color(QPalette::Active, QPalette::Highlight));
    if (qobject_cast<const QRadioButton *>(widget)) {
        // Around the caption, which stands beside the circle.
        QStyleOptionButton button;
        button.QStyleOption::operator=(*option);
        button.rect = widget->rect();
        const int width = scaled(OptionRingWidth, widget);
        const QRect caption = subElementRect(SE_RadioButtonContents, &button, widget);
        fillRing(painter, caption.adjusted(-width, 0, 0, 0) & widget->rect(), width, colour);
    } else {
        fillRing(painter, widget->rect(), scaled(FocusRingWidth, widget), colour);
    }
}

void ScreenStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
    const QWidget *widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if ((element == CE_PushButton || element == CE_RadioButton) && widget
        && (option->state & State_HasFocus))
        drawFocusRing(option, painter, widget);
}

void ScreenStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
    QPainter *painter, const QWidget *widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ToolButton && widget && (option->state & State_HasFocus))
        drawFocusRing(option, painter, widget);
}

int ScreenStyle::pixelMetric(
    PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    const int pixels = QProxyStyle::pixelMetric(metric, option, widget);
    switch (metric) {
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
    case PM_RadioButtonLabelSpacing:
        return scaled(pixels, widget);
    default:
        return pixels;
    }
}

void makeGraphical(QAbstractButton *button, const QColor &face)
{
    button->setProperty(GraphicalProperty, true);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, face);
    button->setPalette(palette);
}

bool isGraphical(const QWidget *widget)
{
    return widget && widget->property(GraphicalProperty).toBool();
}
