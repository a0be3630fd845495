#include "authoring/photopicture.h"

#include "media/picture.h"

#include <QFile>
#include <QImageReader>
#include <QPainter>

#include <sys/stat.h>

namespace PhotoPicture {

Result load(const QString &path, int side)
{
    // Only a regular file has its header read here: a FIFO would keep the reader waiting and a
    // device never ends. Picture::load says what is wrong with anything else.
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return {QImage(), Picture::load(path, QSize(side, side)).error};
    // The upright size, from the header alone, so that the photo can be decoded with its shorter
    // side at `side`: a 4000 × 3000 photo is then decoded at an eighth of its pixels or less.
    QImageReader header(path);
    header.setAutoTransform(true);
    QSize upright = header.size();
    if (upright.isValid() && (header.transformation() & QImageIOHandler::TransformationRotate90))
        upright.transpose();
    QSize decoded(side, side); // anything unreadable: Picture::load says what is wrong with it
    if (upright.isValid() && !upright.isEmpty()) {
        const int shorter = std::min(upright.width(), upright.height());
        decoded
            = shorter > side ? upright.scaled(side, side, Qt::KeepAspectRatioByExpanding) : upright;
    }
    Picture::Result picture = Picture::load(path, decoded);
    if (!picture.ok())
        return {QImage(), picture.error};

    const QImage &image = picture.image;
    const int square = std::min(image.width(), image.height());
    const QRect centre((image.width() - square) / 2, (image.height() - square) / 2, square, square);
    QImage result(side, side, QImage::Format_RGB32);
    result.fill(Qt::white);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (square == side)
        painter.drawImage(QPoint(0, 0), image, centre);
    else
        painter.drawImage(result.rect(),
            image.copy(centre).scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.end();
    return {result, QString()};
}

} // namespace PhotoPicture
