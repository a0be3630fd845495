#include "media/picture.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

#include <tuple>

// `width` × `height` pixels, red on the left half and blue on the right, as a JPEG.
static QByteArray halves(int width, int height, bool progressive = false)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, width / 2, height, Qt::red);
    QBuffer buffer; // opened by the writer
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image) ? buffer.data() : QByteArray();
}

// The JPEG with the size in its frame header (baseline or progressive) replaced.
static QByteArray claiming(QByteArray jpeg, int width, int height)
{
    const qsizetype size = std::max(jpeg.indexOf("\xFF\xC0"), jpeg.indexOf("\xFF\xC2")) + 5;
    qToBigEndian<quint32>(quint32(height) << 16 | quint32(width), jpeg.data() + size);
    return jpeg;
}

// The JPEG cut short after its first `count` scans (each starts at a start-of-scan marker FF DA).
static QByteArray firstScans(const QByteArray &jpeg, int count)
{
    qsizetype at = jpeg.indexOf("\xFF\xDA");
    for (int scan = 0; scan < count; ++scan)
        at = jpeg.indexOf("\xFF\xDA", at + 2);
    return jpeg.first(at) + "\xFF\xD9";
}

// The JPEG with its scans written `times` over, as a hostile encoder may: each copy is decoded
// over the whole picture again.
static QByteArray scansRepeated(const QByteArray &jpeg, int times)
{
    const qsizetype first = jpeg.indexOf("\xFF\xDA");
    return jpeg.first(first) + jpeg.sliced(first, jpeg.size() - 2 - first).repeated(times)
        + "\xFF\xD9";
}

// What a failed load says, naming the file; empty for a picture that loaded.
static QString said(const Picture::Result &result)
{
    return result.problem ? result.problem->text() : QString();
}

// The JPEG marked as a phone marks a photo taken sideways: "turn a quarter clockwise to view".
static QByteArray sideways(const QByteArray &jpeg)
{
    const QByteArray exif(
        "Exif\0\0II\x2A\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 32);
    return jpeg.left(2) + "\xFF\xE1" + char(0) + char(exif.size() + 2) + exif + jpeg.mid(2);
}

// The JPEG with what phones and editors write beside the picture: a comment, an XMP block and a
// colour profile, which are left out before decoding.
static QByteArray withMetadata(const QByteArray &jpeg)
{
    const auto segment = [](char marker, const QByteArray &body) {
        return QByteArray("\xFF") + marker + char((body.size() + 2) >> 8)
            + char((body.size() + 2) & 0xFF) + body;
    };
    return jpeg.left(2) + segment('\xFE', "Made on a phone")
        + segment('\xE1', QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41))
        + segment('\xE2', QByteArray("ICC_PROFILE\0\x01\x01", 14) + QByteArray(300, 'p'))
        + jpeg.mid(2);
}

// Red on the left half and blue on the right, 64 × 32, with a restart marker after every block of
// pixels, as cameras write them so that a damaged byte spoils only its block.
static QByteArray withRestarts()
{
    QFile file(QStringLiteral(PIKOMOJI_TEST_DATA "/restarts.jpg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Picture, JpegsAreDecodedUprightAtTheSizeTheyAreShown)
{
    QTemporaryDir dir;
    const std::tuple<const char *, QByteArray, QPoint, QPoint> rows[] = {
        {"baseline", halves(800, 600), {20, 60}, {120, 60}}, // name, file, red and blue pixels
        {"progressive", halves(800, 600, true), {20, 60}, {120, 60}},
        {"sideways", sideways(halves(200, 100)), {100, 10}, {30, 110}}, // the left half on top
        {"with metadata", withMetadata(halves(800, 600)), {20, 60}, {120, 60}},
        {"with restart markers", withRestarts(), {20, 60}, {120, 60}},
    };
    for (const auto &[name, jpeg, red, blue] : rows) {
        SCOPED_TRACE(name);
        const Picture::Result result = Picture::load(writeFile(dir, "え.jpg", jpeg), {140, 120});
        EXPECT_EQ(result.image.size(), QSize(140, 120)) << qPrintable(said(result));
        EXPECT_TRUE(qRed(result.image.pixel(red)) > 150 && qBlue(result.image.pixel(blue)) > 150);
    }
    // Decoded whole, 10000 × 8000 pixels would pass the 256 MiB a decode may take.
    const QString huge = writeFile(dir, "え.jpg", claiming(halves(64, 64), 10000, 8000));
    EXPECT_EQ(Picture::load(huge, {140, 120}).image.size(), QSize(140, 120));
}

// Missing, text, cut-short and oversized files are rows of test_hostile; these are the
// progressive shapes that would take far more memory to decode than their size suggests.
TEST(Picture, ProgressivePicturesOfAbsurdSizeAreRefusedNamingTheFile)
{
    QTemporaryDir dir;
    const std::tuple<const char *, QByteArray, const char *> rows[] = {
        // name, file, reason
        // Progressive decoding keeps every coefficient: 108 megapixels would take ~320 MB.
        {"progressive 12000 × 9000", claiming(halves(64, 64, true), 12000, 9000), "12000 × 9000"},
        {"two scans 12000 × 9000", claiming(firstScans(halves(64, 64, true), 2), 12000, 9000),
            "12000 × 9000"},
    };
    for (const auto &[name, bytes, reason] : rows) {
        SCOPED_TRACE(name);
        const QString path = writeFile(dir, "え.jpg", bytes);
        const Picture::Result result = Picture::load(path, {153, 153});
        EXPECT_TRUE(!result.ok() && result.problem->kind == FileProblem::Kind::TooCostly
            && said(result).contains(path) && said(result).contains(reason))
            << qPrintable(said(result));
    }
}

// A JPEG is refused by the work its headers claim. These are a few kilobytes each: 30 scans (ten,
// written three times over) whose frame header claims 31.2 or 33.6 megapixels. Each scan walks the
// whole picture, so by their headers they cost a little under and a little over what may be
// decoded within a second.
TEST(Picture, JpegsAreRefusedByTheWorkTheirHeadersClaim)
{
    QTemporaryDir dir;
    const QByteArray thirtyScans = scansRepeated(halves(64, 64, true), 3);
    const std::tuple<const char *, QByteArray, bool> rows[] = {
        {"30 scans, 5200 × 6000", claiming(thirtyScans, 5200, 6000), true}, // name, file, loads
        {"30 scans, 5600 × 6000", claiming(thirtyScans, 5600, 6000), false},
    };
    for (const auto &[name, bytes, loads] : rows) {
        SCOPED_TRACE(name);
        const Picture::Result result = Picture::load(writeFile(dir, "え.jpg", bytes), {153, 153});
        EXPECT_EQ(result.ok(), loads) << qPrintable(said(result));
        if (!loads) {
            EXPECT_TRUE(result.problem->kind == FileProblem::Kind::TooCostly
                && said(result).contains("時間がかかりすぎます"))
                << qPrintable(said(result));
        }
    }
}
