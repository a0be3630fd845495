#include "screens/form1.h"
#include "widgets/assets.h"
#include "widgets/imagebox.h"

#include <QColor>
#include <QImage>
#include <QToolButton>

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
    ASSERT_EQ(star.size(), QSize(192, 182));
    ASSERT_TRUE(isCutOut(star)) << "GIF keeps a pixel or drops it";
    EXPECT_EQ(qAlpha(star.pixel(96, 100)), 255) << "the star's middle";
    // Anti-aliasing against transparent black leaves a dark ring on the light green button.
    auto alpha = [&](int x, int y) { return star.valid(x, y) ? qAlpha(star.pixel(x, y)) : 0; };
    for (int y = 0; y < star.height(); ++y)
        for (int x = 0; x < star.width(); ++x)
            if (alpha(x, y)
                && !(alpha(x - 1, y) && alpha(x + 1, y) && alpha(x, y - 1) && alpha(x, y + 1))) {
                EXPECT_GE(QColor(star.pixel(x, y)).lightness(), 90) << "edge " << x << ", " << y;
            }
}

// Sharp on a 2× display: every picture stored with the program has at least twice the pixels of
// the place the quiz screen shows it in.
TEST(Artwork, PicturesAreAtLeastTwiceTheSizeTheyAreShownAt)
{
    Form1 form;
    const struct
    {
        const char *name;
        QSize stored, shown;
    } rows[] = {
        {"star", Assets::starPicture().size(), form.Command2->iconSize()},
        {"celebration", Assets::celebrationPicture().size(), form.Image4->size()},
    };
    for (const auto &row : rows) {
        EXPECT_GE(row.stored.width(), 2 * row.shown.width()) << row.name;
        EXPECT_GE(row.stored.height(), 2 * row.shown.height()) << row.name;
    }
}
