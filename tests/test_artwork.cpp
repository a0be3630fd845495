#include "app/assets.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

// The artwork as the program loads it from its resources, checked for the faults that show on
// screen: a wrong size, a fringe around the star, a background that does not match the window,
// an icon size that Qt would have to blur out of another.

namespace {

const QColor WindowColour(0xC0, 0xFF, 0xFF);

bool nearColour(QRgb pixel, const QColor &colour, int tolerance)
{
    return qAbs(qRed(pixel) - colour.red()) <= tolerance
        && qAbs(qGreen(pixel) - colour.green()) <= tolerance
        && qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

} // namespace

TEST(Artwork, StarIsCutOutCleanlyForTheGreenButton)
{
    const QImage star = Assets::starPicture().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(star.size(), QSize(96, 91));

    QRect opaque;
    int edgePixels = 0;
    for (int y = 0; y < star.height(); ++y) {
        for (int x = 0; x < star.width(); ++x) {
            const QRgb pixel = star.pixel(x, y);
            ASSERT_TRUE(qAlpha(pixel) == 0 || qAlpha(pixel) == 255) << x << ", " << y;
            if (qAlpha(pixel) == 0)
                continue;
            opaque |= QRect(x, y, 1, 1);
            const bool onEdge = x == 0 || y == 0 || x == star.width() - 1 || y == star.height() - 1
                || qAlpha(star.pixel(x - 1, y)) == 0 || qAlpha(star.pixel(x + 1, y)) == 0
                || qAlpha(star.pixel(x, y - 1)) == 0 || qAlpha(star.pixel(x, y + 1)) == 0;
            if (!onEdge)
                continue;
            // GIF keeps a pixel or drops it, so the cut edge must already look right on the
            // light green face: golden to pale green, never the dark ring that anti-aliasing
            // against a transparent black leaves, nor a white one.
            ++edgePixels;
            const int lightness = QColor(pixel).lightness();
            EXPECT_GE(lightness, 90) << "dark edge pixel at " << x << ", " << y;
            EXPECT_LE(lightness, 235) << "white edge pixel at " << x << ", " << y;
            EXPECT_GE(qRed(pixel), qBlue(pixel)) << "edge pixel at " << x << ", " << y;
        }
    }
    EXPECT_GT(edgePixels, 100);
    // The star fills its picture, and the corners around its points stay open.
    EXPECT_GE(opaque.width(), 92);
    EXPECT_GE(opaque.height(), 87);
    for (QPoint corner : {QPoint(0, 0), QPoint(95, 0), QPoint(0, 90), QPoint(95, 90)})
        EXPECT_EQ(qAlpha(star.pixel(corner)), 0);
    EXPECT_EQ(qAlpha(star.pixel(48, 50)), 255);
}

TEST(Artwork, CelebrationPictureSitsOnTheWindowColour)
{
    const QImage picture = Assets::celebrationPicture().toImage();
    ASSERT_EQ(picture.size(), QSize(170, 170));
    // The picture is shown on the window without a frame, so its edges must melt into it.
    // JPEG moves flat colour by a few steps.
    for (QPoint corner : {QPoint(1, 1), QPoint(168, 1), QPoint(1, 168), QPoint(168, 168)})
        EXPECT_TRUE(nearColour(picture.pixel(corner), WindowColour, 6))
            << corner.x() << ", " << corner.y() << ": "
            << qPrintable(QColor(picture.pixel(corner)).name());
}

TEST(Artwork, IconIsDrawnForEverySizeItIsShownAt)
{
    const QIcon icon = Assets::programIcon();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage own(QStringLiteral(":/assets/icon-%1.png").arg(size));
        ASSERT_EQ(own.size(), QSize(size, size));
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        // Qt must hand out the drawing made for this size, not one scaled from another.
        EXPECT_EQ(icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32),
            own.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(Artwork, SmallestIconIsCrisp)
{
    const QImage icon
        = QImage(QStringLiteral(":/assets/icon-16.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(icon.size(), QSize(16, 16));
    // Every edge sits on a pixel boundary: no half-covered pixels to blur it.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_TRUE(qAlpha(icon.pixel(x, y)) == 0 || qAlpha(icon.pixel(x, y)) == 255)
                << x << ", " << y;
    // A cyan title bar above a white page.
    const QRgb bar = icon.pixel(8, 3);
    EXPECT_GT(qBlue(bar), qRed(bar) + 100);
    EXPECT_GT(qGreen(bar), qRed(bar) + 100);
    EXPECT_EQ(icon.pixel(8, 10), qRgb(255, 255, 255));
}

TEST(Artwork, DesktopIconIsAWellFormedSquareSvg)
{
    QFile file(QStringLiteral(PIKOMOJI_ASSETS_DIR "/pikomoji.svg"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.errorString());
    QXmlStreamReader svg(&file);
    ASSERT_TRUE(svg.readNextStartElement());
    EXPECT_EQ(svg.name(), QStringLiteral("svg"));
    EXPECT_EQ(svg.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
    EXPECT_EQ(svg.attributes().value("viewBox"), QStringLiteral("0 0 256 256"));
    int shapes = 0;
    while (!svg.atEnd())
        if (svg.readNext() == QXmlStreamReader::StartElement
            && (svg.name() == QStringLiteral("rect") || svg.name() == QStringLiteral("path")))
            ++shapes;
    EXPECT_FALSE(svg.hasError()) << qPrintable(svg.errorString());
    EXPECT_GE(shapes, 4); // shadow, frame, title bar, page
}
