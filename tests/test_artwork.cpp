#include "widgets/assets.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

// Every pixel fully transparent or fully opaque.
static bool isCutOut(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const int alpha = qAlpha(image.pixel(x, y)); alpha != 0 && alpha != 255)
                return false;
    return true;
}

TEST(Artwork, StarIsCutOutWithoutADarkFringe)
{
    const QImage star = Assets::starPicture().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(star.size(), QSize(96, 91));
    ASSERT_TRUE(isCutOut(star)) << "GIF keeps a pixel or drops it";
    EXPECT_EQ(qAlpha(star.pixel(48, 50)), 255) << "the star's middle";
    // Anti-aliasing against transparent black leaves a dark ring on the light green button.
    auto alpha = [&](int x, int y) { return star.valid(x, y) ? qAlpha(star.pixel(x, y)) : 0; };
    for (int y = 0; y < star.height(); ++y)
        for (int x = 0; x < star.width(); ++x)
            if (alpha(x, y)
                && !(alpha(x - 1, y) && alpha(x + 1, y) && alpha(x, y - 1) && alpha(x, y + 1)))
                EXPECT_GE(QColor(star.pixel(x, y)).lightness(), 90) << "edge " << x << ", " << y;
}

TEST(Artwork, CelebrationPictureSitsOnTheWindowColour)
{
    const QImage picture = Assets::celebrationPicture().toImage();
    ASSERT_EQ(picture.size(), QSize(170, 170));
    // Shown without a frame: corners in the window's C0FFFF, give or take JPEG's few steps.
    for (QPoint corner : {QPoint(1, 1), QPoint(168, 1), QPoint(1, 168), QPoint(168, 168)}) {
        const QRgb pixel = picture.pixel(corner);
        EXPECT_TRUE(qAbs(qRed(pixel) - 0xC0) <= 6 && qGreen(pixel) >= 249 && qBlue(pixel) >= 249)
            << qPrintable(QColor(pixel).name());
    }
}

TEST(Artwork, IconIsDrawnForEverySizeAndCrispAtTheSmallest)
{
    const QIcon icon = Assets::programIcon();
    for (int size : {16, 32, 48, 64, 128, 256}) {
        // Qt must hand out the drawing made for this size, not one scaled from another.
        const QImage own(QStringLiteral(":/assets/icon-%1.png").arg(size));
        ASSERT_EQ(own.size(), QSize(size, size));
        EXPECT_EQ(icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32),
            own.convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_TRUE(isCutOut(icon.pixmap(16).toImage())) << "a half-covered pixel blurs at 16 px";
}
