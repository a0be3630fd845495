#include "lesson/picture.h"
#include "testsupport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A picture red on its left half and blue on its right, with grain so that JPEG has work to do.
QImage halves(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 noise = 7;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 28) - 8;
            image.setPixel(x, y,
                x < width / 2 ? qRgb(220 + grain, 20 + grain, 20)
                              : qRgb(20, 20 + grain, 220 + grain));
        }
    return image;
}

QByteArray jpeg(const QImage &image, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("cannot encode a test JPEG");
    return bytes;
}

// Puts an EXIF block with the given orientation right after the start-of-image marker, as a
// camera does.
QByteArray withOrientation(const QByteArray &jpegBytes, quint8 orientation)
{
    const QByteArray tiff
        = QByteArray("II\x2A\0\x08\0\0\0", 8) // little-endian, first directory at 8
        + QByteArray("\x01\0", 2) // one entry
        + QByteArray("\x12\x01\x03\0\x01\0\0\0", 8) + char(orientation)
        + QByteArray(3, '\0') // orientation, a SHORT
        + QByteArray(4, '\0'); // no next directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    return jpegBytes.left(2) + "\xFF\xE1" + char(length >> 8) + char(length & 0xFF) + payload
        + jpegBytes.mid(2);
}

// The JPEG with the size in its frame header replaced.
QByteArray claimingSize(QByteArray jpegBytes, int width, int height)
{
    qsizetype frame = jpegBytes.indexOf("\xFF\xC0"); // baseline
    if (frame < 0)
        frame = jpegBytes.indexOf("\xFF\xC2"); // progressive
    if (frame < 0)
        qFatal("no frame header in the test JPEG");
    jpegBytes[frame + 5] = char(height >> 8);
    jpegBytes[frame + 6] = char(height & 0xFF);
    jpegBytes[frame + 7] = char(width >> 8);
    jpegBytes[frame + 8] = char(width & 0xFF);
    return jpegBytes;
}

bool reddish(QRgb colour)
{
    return qRed(colour) > 150 && qBlue(colour) < 100;
}
bool bluish(QRgb colour)
{
    return qBlue(colour) > 150 && qRed(colour) < 100;
}

class PictureLoad : public ::testing::Test
{
protected:
    QString file(const QString &name, const QByteArray &bytes)
    {
        return writeFile(m_dir, name, bytes);
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(PictureLoad, AJpegIsDecodedAtTheSizeItIsShown)
{
    for (bool progressive : {false, true}) {
        const QString path
            = file(QStringLiteral("りんご.jpg"), jpeg(halves(800, 600), progressive));
        const Picture::Result result = Picture::load(path, QSize(153, 120));
        ASSERT_TRUE(result.ok()) << qPrintable(result.error);
        EXPECT_TRUE(result.error.isEmpty());
        EXPECT_EQ(result.image.size(), QSize(153, 120));
        EXPECT_TRUE(reddish(result.image.pixel(20, 60)));
        EXPECT_TRUE(bluish(result.image.pixel(130, 60)));
    }
}

TEST_F(PictureLoad, EveryUseReadsTheFileAgain)
{
    const QString path = file(QStringLiteral("すごい.jpg"), jpeg(halves(100, 100)));
    EXPECT_TRUE(reddish(Picture::load(path, QSize(40, 40)).image.pixel(5, 20)));
    file(QStringLiteral("すごい.jpg"), jpeg(halves(100, 100).mirrored(true, false)));
    EXPECT_TRUE(bluish(Picture::load(path, QSize(40, 40)).image.pixel(5, 20)));
}

TEST_F(PictureLoad, PicturesAreKnownByTheirContentNotTheirName)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    halves(60, 40).save(&buffer, "PNG");
    const Picture::Result result
        = Picture::load(file(QStringLiteral("png.jpg"), png), QSize(30, 20));
    ASSERT_TRUE(result.ok()) << qPrintable(result.error);
    EXPECT_EQ(result.image.size(), QSize(30, 20));

    // Some phones keep a short video after the end of the JPEG.
    const QByteArray motionPhoto = jpeg(halves(60, 40)) + QByteArray(5000, '\x5A') + "\xFF\xD8\xFF";
    EXPECT_TRUE(Picture::load(file(QStringLiteral("motion.jpg"), motionPhoto), QSize(30, 20)).ok());
}

TEST_F(PictureLoad, APhotoMarkedAsTurnedIsTurnedAndStillFillsItsControl)
{
    // Stored 200 × 100 with red on the left; orientation 6 says "turn a quarter clockwise to
    // view", which puts the red on top of a 100 × 200 picture.
    const QString path
        = file(QStringLiteral("たて.jpg"), withOrientation(jpeg(halves(200, 100)), 6));
    const Picture::Result result = Picture::load(path, QSize(60, 120));
    ASSERT_TRUE(result.ok()) << qPrintable(result.error);
    EXPECT_EQ(result.image.size(), QSize(60, 120));
    EXPECT_TRUE(reddish(result.image.pixel(30, 10)));
    EXPECT_TRUE(bluish(result.image.pixel(30, 110)));
}

namespace {

struct BadPicture
{
    const char *name;
    std::function<QByteArray()> bytes; // no file at all when null
    const char *reason; // part of the error text
};

class BadPictures : public PictureLoad, public ::testing::WithParamInterface<BadPicture>
{
};

} // namespace

TEST_P(BadPictures, FailQuicklyNamingTheFile)
{
    const QString path = GetParam().bytes ? file(QStringLiteral("え.jpg"), GetParam().bytes())
                                          : m_dir.filePath(QStringLiteral("ない.jpg"));
    QElapsedTimer timer;
    timer.start();
    const Picture::Result result = Picture::load(path, QSize(153, 153));
    EXPECT_LT(timer.elapsed(), 200);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains(path)) << qPrintable(result.error);
    EXPECT_TRUE(result.error.contains(QString::fromUtf8(GetParam().reason)))
        << qPrintable(result.error);
}

INSTANTIATE_TEST_SUITE_P(EachKind, BadPictures,
    ::testing::Values(BadPicture{"Missing", nullptr, "ありません"},
        BadPicture{"Empty", [] { return QByteArray(); }, "画像ファイルではありません"},
        BadPicture{"TextNamedJpg", [] { return QByteArray("りんごの しゃしん\n"); },
            "画像ファイルではありません"},
        BadPicture{"CutInTheMiddle", [] { return jpeg(halves(400, 300)).chopped(6000); },
            "途中で切れています"},
        BadPicture{"CutProgressive", [] { return jpeg(halves(400, 300), true).chopped(3000); },
            "途中で切れています"},
        BadPicture{"CutBeforeItsEndMarker", [] { return jpeg(halves(400, 300)).chopped(2); },
            "途中で切れています"},
        BadPicture{
            "HeaderOnly", [] { return jpeg(halves(400, 300)).left(700); }, "途中で切れています"},
        BadPicture{"Claims30000By30000",
            [] { return claimingSize(jpeg(halves(64, 64)), 30000, 30000); }, "30000 × 30000"},
        // Progressive decoding keeps every coefficient: 48 megapixels would take ~150 MB.
        BadPicture{"ProgressiveClaims8000By6000",
            [] { return claimingSize(jpeg(halves(64, 64), true), 8000, 6000); }, "8000 × 6000"}),
    [](const auto &info) { return std::string(info.param.name); });
