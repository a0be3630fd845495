#include "widgets/plainlabel.h"

PlainLabel::PlainLabel(QWidget *parent)
    : PlainLabel(QString(), parent)
{ }

PlainLabel::PlainLabel(const QString &text, QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText); // before the text, so it is never parsed as anything else
    setText(text);
}
