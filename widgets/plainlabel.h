#pragma once

#include <QLabel>

// A label that shows its text exactly as it is. QLabel's automatic format takes text that looks
// like HTML for rich text and lays it out, loading every image it names: a letter or a file name
// from a lesson could make the screen open a device or a FIFO, or spin on nested tables.
class PlainLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PlainLabel(QWidget *parent = nullptr);
    explicit PlainLabel(const QString &text, QWidget *parent = nullptr);
};
