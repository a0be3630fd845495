#pragma once

#include "widgets/plainlabel.h"

#include <QPushButton>

// Draws `text` in `box` the way a label or button would, but keeps the letter's ink whole: at the
// sizes of the quiz screen a brush-style kana is nearly as tall as its box, and the font's line
// metrics would push part of it out. The ink is placed by its real bounds: kept where ordinary
// text drawing puts it when it fits, moved back inside when it would be cut, and scaled down only
// when it is larger than the box itself. A small kana (っ, ャ) alone is drawn where it sits in a
// writing square: in the lower left of its large letter's place, at about 60% of its size.
void drawInkText(QPainter &painter, const QRect &box, const QString &text, Qt::Alignment alignment);

// A label whose caption is never cut off. Left-aligned from the top-left corner, like any label.
class InkLabel : public PlainLabel
{
    Q_OBJECT

public:
    using PlainLabel::PlainLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A button whose caption is centred by its ink, never cut off.
class InkButton : public QPushButton
{
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};
