#pragma once

#include <QColor>
#include <QProxyStyle>

class QAbstractButton;

// The screens' look: Fusion, but for what a child and a keyboard user need from it.
// - A graphical button (makeGraphical) shows a flat face in its own colour, clearly darker while
//   it is pressed, instead of Fusion's gradient that fades every face to near white.
// - The control that has the keyboard focus shows it, whether the focus came from a key or a
//   click, as a ring FocusRingWidth pixels wide in the highlight colour, darkened where the face
//   is too close to it.
// - What the style sizes by itself (the option buttons' circles, the focus ring) follows the
//   layout scale of the screen the control stands on, so a full-screen layout is scaled whole.
class ScreenStyle : public QProxyStyle
{
    Q_OBJECT

public:
    static constexpr int FocusRingWidth = 3; // pixels at the design size
    static constexpr qreal MinimumFocusContrast = 3.0; // ring against face, as WCAG measures it

    ScreenStyle();

    // Makes this style the application's, once; later calls do nothing.
    static void install();

    // The focus ring's colour on `face`: the highlight colour, darkened until it stands out.
    static QColor focusColour(const QColor &face, const QColor &highlight);
    // WCAG's contrast ratio of two colours, from 1 (the same) to 21 (black on white).
    static qreal contrast(const QColor &a, const QColor &b);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
        const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
        QPainter *painter, const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
        const QWidget *widget = nullptr) const override;

private:
    void drawFocusRing(const QStyleOption *option, QPainter *painter, const QWidget *widget) const;
};

// Gives `button` the graphical style: a flat face in `face`, darker while pressed.
void makeGraphical(QAbstractButton *button, const QColor &face);
bool isGraphical(const QWidget *widget);
