#include "media/picture.h"

#include "core/contentfile.h"

#include <QBuffer>
#include <QImageReader>

#include <cstring>

namespace Picture {
namespace {
// Phone photos are a few megabytes; a file far bigger than any of them is not read at all.
constexpr qint64 LargestFileBytes = 128 * 1024 * 1024;
// The largest photos phones take have 200 million pixels. A header that claims more belongs to
// a damaged or hostile file, and even scaled decoding would take seconds.
constexpr qint64 LargestPicturePixels = 200'000'000;
// A JPEG in several scans (progressive ones are) is decoded by keeping all of its coefficients,
// 3 to 6 bytes a pixel whatever the shown size, so these may be smaller.
constexpr qint64 LargestManyScanPixels = 40'000'000;
// A progressive JPEG is decoded once per scan, over the whole picture whatever the shown size.
// Cameras and encoders write at most a dozen or so scans; a file of thousands of tiny ones takes
// a minute to decode.
constexpr int MostScans = 32;
// libjpeg's own limit on either side; past it Qt reports only an English error.
constexpr int LargestSide = 65500;
// What one decoded image may take (MiB). Formats that cannot decode at a smaller size, unlike
// JPEG, decode at full size first; this bounds that.
constexpr int AllocationLimitMiB = 256;

Loader &replacement()
{
    static Loader loader;
    return loader;
}

Result failure(const QString &path, const QString &reason)
{
    return {QImage(), path.isEmpty() ? reason : QStringLiteral("%1: %2").arg(path, reason), reason};
}

// What a walk over a JPEG's markers found.
struct JpegLayout
{
    bool whole = false; // the markers run on to the end-of-image marker
    int scans = 0;
    int precision = 8; // bits a sample, from the frame header: 8, or 12 from medical and raw tools
    bool lossless = false; // a lossless frame (SOF3, 7, 11, 15)
};

// Walks a JPEG's markers from the start of the image to its end marker. libjpeg pads a file that
// stops early with grey and calls it a success, so a cut-off photo would otherwise show as half a
// picture. Bytes after the end marker (some phones append a video there) are not looked at.
JpegLayout jpegLayout(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    JpegLayout layout;
    qsizetype at = 2; // past the start-of-image marker
    for (;;) {
        if (at >= size || data[at] != 0xFF)
            return layout;
        while (at < size && data[at] == 0xFF) // a marker may be preceded by fill bytes
            ++at;
        if (at >= size)
            return layout;
        const uchar marker = data[at++];
        if (marker == 0xD9) { // end of image
            layout.whole = true;
            return layout;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) // markers without a segment
            continue;
        if (at + 2 > size)
            return layout;
        const int length = data[at] << 8 | data[at + 1]; // includes its own two bytes
        if (length < 2 || at + length > size)
            return layout;
        // A frame header (SOF0 to SOF15 but for DHT, JPG and DAC): the kind of JPEG it is.
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC
            && length >= 3) {
            layout.precision = data[at + 2];
            layout.lossless = (marker & 0x03) == 0x03;
        }
        at += length;
        if (marker != 0xDA) // only a start of scan is followed by coded data
            continue;
        ++layout.scans;
        // The coded data runs to the next 0xFF that starts a marker: not a stuffed 0xFF 0x00,
        // not a restart marker, not a fill byte.
        for (;;) {
            const void *found = std::memchr(data + at, 0xFF, size_t(size - at));
            if (!found)
                return layout;
            at = static_cast<const uchar *>(found) - data;
            if (at + 1 >= size)
                return layout;
            const uchar next = data[at + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
                at += 2;
            else if (next == 0xFF)
                at += 1;
            else
                break;
        }
    }
}
} // namespace

Result load(const QString &path, QSize size)
{
    if (replacement())
        return replacement()(path, size);

    if (path.isEmpty())
        return failure(path,
            QStringLiteral("絵の名前に使えない文字（/、\\、見えない文字）があるか、"
                           "名前が . か .. です。"));
    ContentFile::Contents contents
        = ContentFile::read(path, LargestFileBytes, ContentFile::Oversize::Refuse);
    if (!contents.read())
        return failure(path, contents.reason);
    QByteArray &bytes = contents.bytes;
    if (bytes.isEmpty())
        return failure(path, QStringLiteral("ファイルが空です（0 バイト）。"));

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer); // the format is told by the content, whatever the file's name
    reader.setAllocationLimit(AllocationLimitMiB);
    reader.setAutoTransform(true); // phones store many photos sideways with a note to turn them
    if (!reader.canRead())
        return failure(path, QStringLiteral("画像ファイルではありません。"));

    const JpegLayout layout = reader.format() == "jpeg" ? jpegLayout(bytes) : JpegLayout{true, 1};
    const QSize claimed = reader.size();
    const qint64 largest = layout.scans > 1 ? LargestManyScanPixels : LargestPicturePixels;
    if (claimed.isValid()
        && (qint64(claimed.width()) * claimed.height() > largest || claimed.width() > LargestSide
            || claimed.height() > LargestSide))
        return failure(path,
            QStringLiteral("画像が大きすぎます（%1 × %2 ピクセル）。")
                .arg(claimed.width())
                .arg(claimed.height()));
    if (!layout.whole)
        return failure(path, QStringLiteral("ファイルが途中で切れています。"));
    if (layout.scans > MostScans)
        return failure(path,
            QStringLiteral(
                "スキャンが多すぎます（%1 回、%2 回まで）。読みこむのに時間がかかりすぎます。")
                .arg(layout.scans)
                .arg(MostScans));

    // The JPEG reader reads 8-bit lossy JPEGs only; the other kinds would fail with no reason
    // given.
    if (layout.lossless || layout.precision != 8)
        return failure(path,
            QStringLiteral("この JPEG（%1）は読めません。写真のアプリで、ふつうの JPEG"
                           "（8 ビット）として保存しなおしてください。")
                .arg(layout.lossless ? QStringLiteral("ロスレス")
                                     : QStringLiteral("%1 ビット").arg(layout.precision)));

    // Decoding straight to the shown size is what makes a 12-megapixel photo quick: libjpeg
    // skips most of the work at 1/8 scale. A photo to be turned a quarter turn is decoded with
    // width and height swapped, so that it fills `size` once turned.
    if (!size.isEmpty()) {
        QSize decoded = size;
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            decoded.transpose();
        reader.setScaledSize(decoded);
    }
    QImage image = reader.read();
    // Qt's reasons are in English and name no cause a parent can act on.
    if (image.isNull())
        return failure(
            path, QStringLiteral("画像のデータを読み込めません。こわれているか、大きすぎます。"));
    return {image, QString(), QString()};
}

void setLoader(Loader loader)
{
    replacement() = std::move(loader);
}

} // namespace Picture
