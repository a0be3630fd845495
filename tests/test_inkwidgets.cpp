#include "lesson/lessonfile.h"
#include "testsupport.h"
#include "widgets/geometry.h"
#include "widgets/inkwidgets.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSet>

#include <gtest/gtest.h>

namespace {

int inkPixels(const QImage &image, QRect *bounds = nullptr)
{
    int count = 0;
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                ++count;
                box |= QRect(x, y, 1, 1);
            }
    if (bounds)
        *bounds = box;
    return count;
}

// The letter drawn with nothing in its way, on a canvas far larger than the glyph.
int freeInk(const QString &letter, const QFont &font)
{
    QImage canvas(600, 600, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText(200, 400, font, letter);
    painter.fillPath(path, Qt::black);
    return inkPixels(canvas);
}

QStringList starterLetters()
{
    const LessonFile lesson
        = LessonFile::read(QStringLiteral(PIKOMOJI_CONTENT_DIR "/data/data.txt"));
    QSet<QString> letters;
    for (const LessonFile::Row &row : lesson.rows)
        for (int field = 1; field < LessonFile::FieldsPerRow; ++field)
            if (!row[field].isEmpty())
                letters.insert(row[field]);
    QStringList sorted(letters.begin(), letters.end());
    sorted.sort();
    return sorted;
}

} // namespace

// At the quiz screen's sizes a brush-style kana nearly fills its box; none may lose any ink.
TEST(InkWidgets, EveryStarterLetterIsWholeInItsBox)
{
    const QStringList letters = starterLetters();
    ASSERT_GE(letters.size(), 20);
    const QFont labelFont = designFont("AR楷書体M", 99.75, true);
    const QFont buttonFont = designFont("AR楷書体M", 90, true);
    EXPECT_EQ(QFontInfo(labelFont).family(), QStringLiteral("Klee One"));

    for (const QString &letter : letters) {
        SCOPED_TRACE(letter.toStdString());
        InkLabel label(letter);
        label.setFont(labelFont);
        label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label.resize(121, 121);
        label.setStyleSheet(QStringLiteral("background: white; color: black"));
        const int labelInk = inkPixels(label.grab().toImage());
        EXPECT_NEAR(labelInk, freeInk(letter, labelFont), freeInk(letter, labelFont) * 0.03);

        InkButton button(letter);
        button.setFont(buttonFont);
        button.resize(105, 105);
        QPalette palette = button.palette();
        palette.setColor(QPalette::Button, Qt::white);
        button.setPalette(palette);
        // A wide letter may be drawn a little smaller to fit inside the bevel, but never cut: it
        // keeps most of its ink and stays centred (a cut letter loses ink on one side only).
        palette.setColor(QPalette::ButtonText, Qt::black);
        button.setPalette(palette);
        const QImage face = button.grab().toImage().copy(3, 3, 99, 99); // inside the bevel
        QRect ink;
        EXPECT_GT(inkPixels(face, &ink), freeInk(letter, buttonFont) * 0.8);
        EXPECT_NEAR(ink.center().x(), face.width() / 2, 3);
        EXPECT_NEAR(ink.center().y(), face.height() / 2, 3);
    }
}

// A small kana is drawn as it is written in a square: plainly smaller than its large letter and
// in the lower left of the large letter's place, on a label and on a centred button alike.
TEST(InkWidgets, ASmallKanaSitsSmallInTheLowerLeft)
{
    const QFont labelFont = designFont("AR楷書体M", 99.75, true);
    const QFont buttonFont = designFont("AR楷書体M", 90, true);
    auto inkOf = [](QWidget &widget, const QString &letter, const QFont &font, int side) {
        widget.setFont(font);
        widget.resize(side, side);
        widget.setStyleSheet(QStringLiteral("background: white; color: black"));
        if (auto *label = qobject_cast<InkLabel *>(&widget))
            label->setText(letter);
        else
            static_cast<InkButton &>(widget).setText(letter);
        QRect ink;
        inkPixels(widget.grab().toImage().copy(3, 3, side - 6, side - 6), &ink);
        return ink;
    };
    for (const auto &[small, large] :
        {std::pair{"っ", "つ"}, {"ゃ", "や"}, {"ァ", "ア"}, {"ョ", "ヨ"}}) {
        SCOPED_TRACE(small);
        InkLabel label;
        label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        InkButton button;
        for (QWidget *widget : {static_cast<QWidget *>(&label), static_cast<QWidget *>(&button)}) {
            const QFont &font = widget == &label ? labelFont : buttonFont;
            const int side = widget == &label ? 121 : 105;
            const QRect big = inkOf(*widget, QString::fromUtf8(large), font, side);
            const QRect little = inkOf(*widget, QString::fromUtf8(small), font, side);
            EXPECT_LT(little.height(), big.height() * 0.7) << "plainly smaller";
            EXPECT_LT(little.width(), big.width() * 0.7);
            EXPECT_LT(little.center().x(), big.center().x()) << "towards the left";
            EXPECT_GT(little.center().y(), big.center().y()) << "towards the bottom";
        }
    }
}
