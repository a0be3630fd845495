#pragma once

#include <QImage>
#include <QWidget>

// An image control: shows its picture stretched to fill its whole rectangle, whatever the
// picture's size or shape. With no picture it shows nothing, so what lies beneath shows through.
class ImageBox : public QWidget
{
    Q_OBJECT

public:
    explicit ImageBox(QWidget *parent = nullptr);

    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
};
