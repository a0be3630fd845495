#include "authoring/photopicture.h"

#include "core/contentfile.h"
#include "media/picture.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <libheif/heif.h>

#include <memory>

namespace PhotoPicture {
namespace {

// As Picture::load bounds the files it reads: phone photos are a few megabytes.
constexpr qint64 LargestFileBytes = 128 * 1024 * 1024;
// A HEIF photo is decoded at full size (libheif cannot decode smaller): 100 million pixels take
// 400 MB as RGBA, more than any phone's photo needs (iPhones take 12 to 48 million).
constexpr qint64 LargestHeifPixels = 100'000'000;

// Enough of a file's start to tell its format by.
constexpr qint64 HeaderBytes = 4096;

const QString Formats = QStringLiteral("JPEG、PNG、HEIC（HEIF）、WebP、TIFF、GIF、BMP");

// Whether `bytes` start as an ISO media file of the HEIF family: a box "ftyp" with a brand
// libheif reads (iPhones write heic; mif1 and msf1 are the generic still and sequence brands).
bool isHeif(const QByteArray &bytes)
{
    return bytes.size() >= 12 && bytes.mid(4, 4) == "ftyp"
        && heif_check_filetype(reinterpret_cast<const uint8_t *>(bytes.constData()),
               int(std::min<qsizetype>(bytes.size(), 64)))
        == heif_filetype_yes_supported;
}

using Picture::Result;
using Kind = FileProblem::Kind;

Result failure(const QString &path, Kind kind, const QString &why)
{
    return {QImage(), FileProblem{kind, path, why}};
}

// Decodes a HEIF photo, turned upright: libheif applies the rotation and mirroring the file
// records, which is where HEIF keeps a photo's orientation.
Result loadHeif(const QString &path, const QByteArray &bytes)
{
    const QString broken = QStringLiteral("HEIC の画像のデータを読み込めません。こわれています。");
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(
        heif_context_alloc(), heif_context_free);
    if (!context
        || heif_context_read_from_memory_without_copy(
               context.get(), bytes.constData(), size_t(bytes.size()), nullptr)
                .code
            != heif_error_Ok)
        return failure(path, Kind::Undecodable, broken);
    heif_image_handle *rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return failure(path, Kind::Undecodable, broken);
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        rawHandle, heif_image_handle_release);
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0 || qint64(width) * height > LargestHeifPixels)
        return failure(path, Kind::TooCostly,
            QStringLiteral("画像が大きすぎます（%1 × %2 ピクセル）。").arg(width).arg(height));
    heif_image *rawImage = nullptr;
    if (heif_decode_image(
            handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr)
            .code
        != heif_error_Ok)
        return failure(path, Kind::Undecodable, broken);
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(rawImage, heif_image_release);
    int stride = 0;
    const uint8_t *pixels
        = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int shownWidth = heif_image_get_primary_width(image.get());
    const int shownHeight = heif_image_get_primary_height(image.get());
    if (!pixels || shownWidth <= 0 || shownHeight <= 0)
        return failure(path, Kind::Undecodable, broken);
    return {QImage(pixels, shownWidth, shownHeight, stride, QImage::Format_RGBA8888).copy(),
        std::nullopt};
}

// The centre square of `image`, scaled to `side` × `side` and put on white.
QImage centreSquare(const QImage &image, int side)
{
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
    return result;
}

} // namespace

Result load(const QString &path, int side)
{
    // Told by the content, whatever the file's name: an iPhone photo may come as .jpg or .heic.
    const ContentFile::Contents head
        = ContentFile::read(path, HeaderBytes, ContentFile::Oversize::Cut);
    if (!head.read())
        return {QImage(), head.problem};
    if (isHeif(head.bytes)) {
        const ContentFile::Contents whole
            = ContentFile::read(path, LargestFileBytes, ContentFile::Oversize::Refuse);
        if (!whole.read())
            return {QImage(), whole.problem};
        const Result photo = loadHeif(path, whole.bytes);
        return photo.ok() ? Result{centreSquare(photo.image, side), std::nullopt} : photo;
    }
    if (!head.bytes.isEmpty()) {
        QByteArray bytes = head.bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        if (QImageReader::imageFormat(&buffer).isEmpty())
            return failure(path, Kind::WrongFormat,
                QStringLiteral("画像ファイルではないか、読めない形式です。使える形式は %1 です。")
                    .arg(Formats));
    }

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
    const Result picture = Picture::load(path, decoded);
    return picture.ok() ? Result{centreSquare(picture.image, side), std::nullopt} : picture;
}

} // namespace PhotoPicture
