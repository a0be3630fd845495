#pragma once

#include "media/picture.h"

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

    // Reads the picture file at `path`, decoded for the box's size on the display. The box reads
    // it again, at its new size, when it is resized (full screen): a picture is always decoded at
    // the size it is shown, never stretched from a smaller one.
    Picture::Result load(const QString &path);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_picture;
    QString m_path; // of the picture shown, when it came from a file
    QSize m_decodedFor; // the device pixels it was decoded for
};
