#pragma once

#include <QGroupBox>

// A frame that groups option buttons: a thin etched border with its caption set into the top
// edge, the classic look, whatever the widget style would do with a group box.
class FrameBox : public QGroupBox
{
    Q_OBJECT

public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *event) override;
};
