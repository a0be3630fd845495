#pragma once

#include <QFont>
#include <QMargins>
#include <QRect>
#include <QVariant>
#include <QWidget>

// One row of a screen's layout table: a control by its design name and index, and where it
// stands in its container, in pixels.
struct ControlGeometry
{
    const char *name;
    int index; // -1 for a control that is not part of an array
    int x, y, width, height;

    QRect rect() const { return {x, y, width, height}; }
};

// The property that keeps a control's place from its layout table, for a screen that scales it.
inline constexpr char DesignGeometry[] = "designGeometry";

// Gives `widget` its design name ("Command1(2)"), so tests and tools can find it, and its place.
inline void place(QWidget *widget, const ControlGeometry &geometry)
{
    const QString name = QString::fromLatin1(geometry.name);
    widget->setObjectName(
        geometry.index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(geometry.index));
    widget->setGeometry(geometry.rect());
    widget->setProperty(DesignGeometry, geometry.rect());
}

// `design` scaled by `factor` edge by edge, so that controls that touch at the design size still
// touch, and factor 1 gives `design` back exactly.
inline QRect scaledRect(const QRect &design, qreal factor)
{
    const auto at = [factor](int v) { return qRound(v * factor); };
    return QRect(QPoint(at(design.left()), at(design.top())),
        QPoint(at(design.left() + design.width()) - 1, at(design.top() + design.height()) - 1));
}

// Where a window whose client area would stand at `client` goes so that, with its `frame`, it lies
// wholly inside `available`: moved just enough, and not at all when it fits. A window larger than
// the area keeps its top-left corner, and with it the title bar, inside.
inline QPoint fitInside(const QRect &client, const QMargins &frame, const QRect &available)
{
    const QRect outer = client.marginsAdded(frame);
    const auto shift = [](int low, int high, int areaLow, int areaHigh) {
        int d = high > areaHigh ? areaHigh - high : 0;
        if (low + d < areaLow)
            d = areaLow - low;
        return d;
    };
    return client.topLeft()
        + QPoint(shift(outer.left(), outer.right(), available.left(), available.right()),
            shift(outer.top(), outer.bottom(), available.top(), available.bottom()));
}

// Sets a widget's background, text or button-face colour through its palette.
inline void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    if (role == QPalette::Window)
        widget->setAutoFillBackground(true);
}

// The old 24-bit colour numbers the logic uses: red in the low byte, so 255 is pure red.
inline QColor colourFromNumber(int number)
{
    return QColor(number & 0xFF, (number >> 8) & 0xFF, (number >> 16) & 0xFF);
}

// A font by its design name and point size; widgets/fonts.cpp maps the names to installed faces.
inline QFont designFont(const char *family, qreal points, bool bold = false)
{
    QFont font(QString::fromUtf8(family));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}
