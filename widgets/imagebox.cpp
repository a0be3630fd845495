#include "widgets/imagebox.h"

#include <QPainter>

ImageBox::ImageBox(QWidget *parent)
    : QWidget(parent)
{ }

void ImageBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_path.clear();
    update();
}

Picture::Result ImageBox::load(const QString &path)
{
    m_decodedFor = size() * devicePixelRatioF();
    Picture::Result result = Picture::load(path, m_decodedFor);
    m_picture = result.image;
    m_path = result.ok() ? path : QString();
    update();
    return result;
}

void ImageBox::resizeEvent(QResizeEvent *)
{
    const QSize shown = size() * devicePixelRatioF();
    if (m_path.isEmpty() || shown == m_decodedFor)
        return;
    m_decodedFor = shown;
    // A file that has gone bad meanwhile leaves the picture as it was: it was named when it was
    // first loaded, and a resize is no time for a message.
    Picture::Result result = Picture::load(m_path, shown);
    if (result.ok())
        m_picture = result.image;
}

void ImageBox::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_picture);
}
