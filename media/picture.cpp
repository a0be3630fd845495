#include "media/picture.h"

#include "core/contentfile.h"
#include "media/jpegwalk.h"

#include <QBuffer>
#include <QImageReader>

namespace Picture {
namespace {
// Phone photos are a few megabytes; a file far bigger than any of them is not read at all.
constexpr qint64 LargestFileBytes = 128 * 1024 * 1024;
// The largest photos phones take have 200 million pixels. A header that claims more belongs to
// a damaged or hostile file, and even scaled decoding would take seconds.
constexpr qint64 LargestJpegPixels = 200'000'000;
// libjpeg's own limit on either side; past it Qt reports only an English error.
constexpr int LargestSide = 65500;
// What decoding a JPEG costs, in nanoseconds of CPU on a busy two-core machine (bench_hostile):
// each scan walks its 8 × 8 blocks at full size whatever size the picture is shown at, and each
// byte of coded data costs far more in a progressive file's scans than in a single scan.
// Arithmetic coding, which no camera writes, takes twice as long.
constexpr qint64 NsPerScannedBlock = 60;
constexpr qint64 NsPerProgressiveByte = 60;
constexpr qint64 NsPerSequentialByte = 10;
constexpr qint64 ArithmeticCost = 2;
// Nothing that costs more than 0.75 s by that measure is decoded, so that a picture is judged
// within a second even where decoding takes a quarter more than the measure says, as it does
// for progressive photos on a busy machine. Those of ten scans load up to about 32 megapixels;
// phones write one scan, which costs less than the measure says: a 200-megapixel photo loads up
// to 47 MB, a 108-megapixel one up to 60 MB.
constexpr qint64 MostCostNs = 750'000'000;
// A JPEG in several scans (progressive ones are) is decoded by keeping all of its coefficients,
// 128 bytes a block whatever the shown size: 144 MB for a 48-megapixel photo. This leaves room
// under the allocation limit for the file and the picture.
constexpr qint64 MostCoefficientBytes = 160 * 1024 * 1024;
// Thousands of tiny scans cost a minute however few their blocks; cameras write about ten.
constexpr int MostScans = 32;
// Other formats are decoded at full size before they are scaled, 4 to 8 bytes a pixel.
constexpr qint64 LargestOtherPixels = 16'000'000;
// What one decoded image may take (MiB), whatever a format's decoder allocates.
constexpr int AllocationLimitMiB = 256;
// The formats whose cost is bounded here by their pixels: those a phone or the web gives a parent.
// Qt's other plugins (MNG, ICNS, TGA, ...) are not used for a lesson's pictures.
const QList<QByteArray> OtherFormats{"png", "gif", "bmp", "webp", "tiff"};

Loader &replacement()
{
    static Loader loader;
    return loader;
}

using Kind = FileProblem::Kind;

Result failure(const QString &path, Kind kind, const QString &why)
{
    return {QImage(), FileProblem{kind, path, why}};
}

QString tooLarge(QSize size)
{
    return QStringLiteral("画像が大きすぎます（%1 × %2 ピクセル）。")
        .arg(size.width())
        .arg(size.height());
}

// Qt's reasons are in English and name no cause a parent can act on.
Result decode(const QString &path, QImageReader &reader, QSize size)
{
    reader.setAllocationLimit(AllocationLimitMiB);
    reader.setAutoTransform(true); // phones store many photos sideways with a note to turn them
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
    if (image.isNull())
        return failure(path, Kind::Undecodable,
            QStringLiteral("画像のデータを読み込めません。こわれているか、大きすぎます。"));
    return {image, std::nullopt};
}

Result loadJpeg(const QString &path, QFile &file, QSize size)
{
    JpegWalk walk = JpegWalk::read(file);
    if (walk.width > LargestSide || walk.height > LargestSide)
        return failure(path, Kind::TooCostly, tooLarge(QSize(walk.width, walk.height)));
    if (qint64(walk.width) * walk.height > LargestJpegPixels)
        return failure(path, Kind::TooCostly, tooLarge(QSize(walk.width, walk.height)));
    const qint64 cost
        = (walk.scannedBlocks * NsPerScannedBlock
              + walk.codedBytes * (walk.scans > 1 ? NsPerProgressiveByte : NsPerSequentialByte))
        * (walk.arithmetic ? ArithmeticCost : 1);
    if (cost > MostCostNs || (walk.scans > 1 && walk.blocks * 128 > MostCoefficientBytes))
        return failure(path, Kind::TooCostly,
            QStringLiteral("画像が大きすぎます（%1 × %2 ピクセル、スキャン "
                           "%3 回%4）。読みこむのに時間がかかりすぎます。")
                .arg(walk.width)
                .arg(walk.height)
                .arg(walk.scans)
                .arg(walk.arithmetic ? QStringLiteral("、算術符号") : QString()));
    if (!walk.whole)
        return failure(path, Kind::EndsEarly, QStringLiteral("ファイルが途中で切れています。"));
    if (walk.scans > MostScans)
        return failure(path, Kind::TooCostly,
            QStringLiteral(
                "スキャンが多すぎます（%1 回、%2 回まで）。読みこむのに時間がかかりすぎます。")
                .arg(walk.scans)
                .arg(MostScans));
    // The JPEG reader reads 8-bit lossy JPEGs only; the other kinds would fail with no reason
    // given.
    if (walk.lossless || walk.precision != 8)
        return failure(path, Kind::WrongFormat,
            QStringLiteral("この JPEG（%1）は読めません。写真のアプリで、ふつうの JPEG"
                           "（8 ビット）として保存しなおしてください。")
                .arg(walk.lossless ? QStringLiteral("ロスレス")
                                   : QStringLiteral("%1 ビット").arg(walk.precision)));
    QBuffer buffer(&walk.kept);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    return decode(path, reader, size);
}

// Judged by the content, whatever the file's name: a GIF named .jpg is a GIF.
Result loadOther(const QString &path, QFile &file, QSize size)
{
    QImageReader reader(&file);
    if (!reader.canRead())
        return failure(path, Kind::WrongFormat, QStringLiteral("画像ファイルではありません。"));
    if (!OtherFormats.contains(reader.format()))
        return failure(path, Kind::WrongFormat,
            QStringLiteral(
                "この形式 (%1) の絵は読みません。JPEG、PNG、GIF、BMP、WebP、TIFF にしてください。")
                .arg(QString::fromLatin1(reader.format()).toUpper()));
    const QSize claimed = reader.size();
    if (!claimed.isValid() || qint64(claimed.width()) * claimed.height() > LargestOtherPixels)
        return failure(path, Kind::TooCostly, tooLarge(claimed));
    return decode(path, reader, size);
}
} // namespace

Result load(const QString &path, QSize size)
{
    if (replacement())
        return replacement()(path, size);

    if (path.isEmpty())
        return failure(path, Kind::UnsafeName,
            QStringLiteral("絵の名前に使えない文字（/、\\、見えない文字）があるか、"
                           "名前が . か .. です。"));
    const ContentFile::Opened opened = ContentFile::open(path);
    if (!opened.opened())
        return {QImage(), opened.problem};
    if (opened.size > LargestFileBytes)
        return failure(path, Kind::TooBig,
            QStringLiteral("ファイルが大きすぎます（%1 バイト）。").arg(opened.size));
    if (opened.size == 0)
        return failure(path, Kind::Empty, QStringLiteral("ファイルが空です（0 バイト）。"));
    QFile &file = *opened.file;
    const bool jpeg = file.peek(3) == QByteArray("\xFF\xD8\xFF", 3);
    return jpeg ? loadJpeg(path, file, size) : loadOther(path, file, size);
}

void setLoader(Loader loader)
{
    replacement() = std::move(loader);
}

} // namespace Picture
