// What every screen shares: its place on the display, full screen, the keyboard (Return, F11,
// Escape, the focus ring), the graphical buttons' faces and the captions. Run on an offscreen
// display of 1024 × 768 (data/screen-1024x768.json), the smallest a school's machine has.

#include "core/module1.h"
#include "media/picture.h"
#include "quizfixture.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/form5.h"
#include "screens/screens.h"
#include "testsupport.h"
#include "widgets/geometry.h"
#include "widgets/imagebox.h"
#include "widgets/inkwidgets.h"
#include "widgets/screenstyle.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <qpa/qplatformwindow.h>

using namespace Module1;

namespace {
const QString Sakana = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま");

// The title the window system shows, as Qt makes it from a window's caption.
struct TitleOf : QPlatformWindow
{
    using QPlatformWindow::formatWindowTitle;
};
QString shownTitle(const QWidget &window)
{
    return TitleOf::formatWindowTitle(window.windowTitle(), QStringLiteral(" — "));
}

void press(QWidget *window, Qt::Key key)
{
    QTest::keyClick(window, key);
}

// The window system resizes a window for full screen and back in its own time.
bool settlesAt(const QWidget &window, QSize size)
{
    return QTest::qWaitFor([&] { return window.size() == size; });
}

// Every control that stands where a layout table put it, with that place.
QList<std::pair<QWidget *, QRect>> designPlaces(QWidget &screen)
{
    QList<std::pair<QWidget *, QRect>> places;
    for (QWidget *control : screen.findChildren<QWidget *>())
        if (const QVariant design = control->property(DesignGeometry); design.isValid())
            places.append({control, design.toRect()});
    return places;
}
} // namespace

class ScreenWindowTest : public QuizFixture
{
protected:
    void SetUp() override
    {
        QuizFixture::SetUp();
        writeLesson({Sakana});
    }
    void TearDown() override
    {
        ScreenWindow::setFullScreen(false);
        Picture::setLoader({});
        QuizFixture::TearDown();
    }
};

TEST(FitInside, MovesAWindowJustEnoughAndOnlyWhenItWouldStickOut)
{
    const QRect display(0, 0, 1024, 768), larger(0, 0, 1280, 1024);
    const QMargins frame(4, 24, 4, 4);
    struct Row
    {
        const char *name;
        QRect client;
        QMargins frame;
        QPoint expected;
    } rows[] = {
        {"the quiz with its frame", {187, 176, 826, 609}, frame, {187, 155}},
        {"the quiz on a larger display", {187, 176, 826, 609}, frame, {187, 176}},
        {"too far right", {900, 10, 200, 100}, {}, {824, 10}},
        {"wider than the display", {187, 176, 1100, 400}, {}, {0, 176}},
        {"taller than the display", {10, 10, 200, 900}, frame, {10, 24}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(fitInside(row.client, row.frame,
                      std::string_view(row.name).ends_with("larger display") ? larger : display),
            row.expected)
            << row.name;
}

TEST_F(ScreenWindowTest, ScreensKeepTheirDesignPlaceUnlessTheyWouldStickOutOfTheDisplay)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1024, 768));
    Form1 &form = startQuiz();
    EXPECT_EQ(form.geometry(), QRect(187, 159, 826, 609)) << "moved up just enough";
    clickLetterButton(1);
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    QTest::mouseClick(Screens::form3().Command2, Qt::LeftButton);
    EXPECT_EQ(Screens::form5().geometry(), QRect(253, 225, 359, 253)) << "fits: not moved";
}

TEST_F(ScreenWindowTest, CaptionsAreTheScreensOwnWithNothingAppended)
{
    MessageBoxWatcher watcher;
    Form3 &menu = openMenu();
    QFile::remove(m_folder + QStringLiteral("data/data.txt"));
    QTest::mouseClick(menu.Command1, Qt::LeftButton);
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_EQ(watcher.boxes[0].title, QStringLiteral("エラーメッセージ"));
    QTest::mouseClick(menu.Command2, Qt::LeftButton);
    writeLesson({Sakana});
    Form1 &quiz = Screens::form1();
    for (QWidget *window : {static_cast<QWidget *>(&menu), static_cast<QWidget *>(&quiz),
             static_cast<QWidget *>(&Screens::form5())}) {
        ASSERT_FALSE(window->windowTitle().isEmpty());
        EXPECT_EQ(shownTitle(*window), window->windowTitle()) << "the program's name appended";
    }
}

TEST_F(ScreenWindowTest, ReturnAndEnterPressTheFocusedButtonOnEveryScreen)
{
    Form3 &menu = openMenu();
    menu.Command2->setFocus();
    press(&menu, Qt::Key_Return); // 設定
    Form5 &settings = Screens::form5();
    ASSERT_TRUE(settings.isVisible());
    settings.Text3->setFocus();
    press(&settings, Qt::Key_Enter);
    EXPECT_TRUE(settings.isVisible()) << "Enter in a text box presses nothing";
    settings.Command2->setFocus();
    press(&settings, Qt::Key_Enter); // キャンセル
    ASSERT_TRUE(menu.isVisible());
    menu.Command1->setFocus();
    press(&menu, Qt::Key_Enter); // はじめる
    ASSERT_TRUE(Screens::form1Loaded() && quiz().isVisible());
    quiz().Command1[1]->setFocus();
    press(&quiz(), Qt::Key_Return); // さ, right
    EXPECT_EQ(answers()[0], QStringLiteral("さ"));
}

// Full screen, from F11 or from the start: the layout scaled by one factor, centred, fonts and
// icons at the new size, pictures decoded at it; F11 or Escape brings back the exact design.
TEST_F(ScreenWindowTest, FullScreenScalesTheWholeLayoutAndGivesItBackExactly)
{
    QList<QSize> decodedAt;
    Picture::setLoader([&decodedAt](const QString &path, QSize size) {
        if (path.endsWith(QStringLiteral("sakana.jpg")))
            decodedAt.append(size);
        QImage image(size, QImage::Format_RGB32);
        image.fill(path.endsWith(QStringLiteral("すごい.jpg")) ? PraiseColour : Qt::blue);
        return Picture::Result{image, {}};
    });
    Form1 &form = startQuiz();
    const QRect window = form.geometry();
    const auto places = designPlaces(form);
    ASSERT_EQ(places.size(), 75);
    const qreal letterPoints = form.Label1[0]->font().pointSizeF();
    const QSize starSize = form.Command2->iconSize();
    ASSERT_EQ(decodedAt, QList<QSize>{QSize(153, 153)});

    press(&form, Qt::Key_F11);
    ASSERT_TRUE(form.isFullScreen());
    ASSERT_TRUE(settlesAt(form, QSize(1024, 768)));
    // 1024 / 826 is the tighter fit; the layout is 755 px high and centred in 768.
    const qreal factor = 1024.0 / 826.0;
    const QPointF offset(0, (768 - 609 * factor) / 2);
    EXPECT_DOUBLE_EQ(form.layoutScale(), factor);
    for (const auto &[control, design] : places) {
        const QPointF shift = control->parentWidget() == &form ? offset : QPointF();
        const QRectF expected(
            QPointF(design.topLeft()) * factor + shift, QSizeF(design.size()) * factor);
        const QRect shown = control->geometry();
        EXPECT_TRUE(qAbs(shown.left() - expected.left()) <= 1
            && qAbs(shown.top() - expected.top()) <= 1
            && qAbs(shown.right() + 1 - expected.right()) <= 1
            && qAbs(shown.bottom() + 1 - expected.bottom()) <= 1)
            << control->objectName().toStdString() << " at " << shown.x() << "," << shown.y() << " "
            << shown.width() << "x" << shown.height() << ", expected " << expected.x() << ","
            << expected.y() << " " << expected.width() << "x" << expected.height();
    }
    EXPECT_NEAR(form.Label1[0]->font().pointSizeF(), letterPoints * factor, 0.01);
    EXPECT_EQ(form.Command2->iconSize(), (QSizeF(starSize) * factor).toSize());
    EXPECT_EQ(decodedAt.last(), form.Image1->size()) << "the picture is decoded at its new size";

    press(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isFullScreen());
    ASSERT_TRUE(settlesAt(form, window.size()));
    EXPECT_EQ(form.geometry(), window);
    for (const auto &[control, design] : places)
        EXPECT_EQ(control->geometry(), design) << control->objectName().toStdString();
    EXPECT_EQ(form.Label1[0]->font().pointSizeF(), letterPoints);
    EXPECT_EQ(form.Command2->iconSize(), starSize);
    EXPECT_EQ(decodedAt.last(), QSize(153, 153));
    EXPECT_EQ(form.layoutScale(), 1.0);
}

TEST_F(ScreenWindowTest, AScreenOpenedFromAFullScreenOneIsFullScreenToo)
{
    ScreenWindow::setFullScreen(true); // as `pikomoji --full-screen` starts
    Form3 &menu = openMenu();
    EXPECT_TRUE(menu.isFullScreen());
    QTest::mouseClick(menu.Command1, Qt::LeftButton);
    EXPECT_TRUE(quiz().isVisible() && quiz().isFullScreen());
    press(&quiz(), Qt::Key_F11);
    QTest::mouseClick(quiz().Command3, Qt::LeftButton);
    EXPECT_FALSE(menu.isFullScreen()) << "the menu comes back in a window";
}

TEST_F(ScreenWindowTest, AShownScreenGetsTheKeyboard)
{
    Form3 &menu = openMenu();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&menu));
    QTest::mouseClick(menu.Command1, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&quiz()));
    EXPECT_EQ(QApplication::focusWidget(), quiz().Command1[0]);
}

// A graphical button's face is its colour, flat, and clearly darker while pressed; a standard
// button keeps the platform's look.
TEST_F(ScreenWindowTest, GraphicalButtonsShowTheirFaceColourFlat)
{
    Form3 &menu = openMenu();
    Form1 &form = startQuiz();
    form.setFocus(); // no focus ring on the buttons
    // The face is the colour the layout gave the button, the same at every edge: no gradient.
    QAbstractButton *const buttons[]
        = {menu.Command1, menu.Command2, form.Command1[0], form.Command2, form.Command3};
    for (QAbstractButton *button : buttons) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QColor face = button->palette().color(QPalette::Button);
        for (bool down : {false, true}) {
            button->setDown(down);
            const QImage image = button->grab().toImage();
            button->setDown(false);
            // Just inside the edge, where neither caption nor picture reaches.
            for (QPoint at : {QPoint(3, 3), QPoint(image.width() - 4, 3),
                     QPoint(3, image.height() - 4), QPoint(image.width() / 2, 2)}) {
                const QColor seen = image.pixelColor(at);
                if (!down) {
                    EXPECT_EQ(seen, face) << at.x() << "," << at.y();
                } else {
                    EXPECT_LE(seen.lightness(), face.lightness() * 0.8) << "pressed";
                }
            }
        }
    }
    EXPECT_NE(menu.Command3->grab().toImage().pixelColor(3, 3),
        menu.Command3->grab().toImage().pixelColor(3, menu.Command3->height() - 4))
        << "おわる on the menu is a standard button, shaded by the platform";
}

// Every control that takes the focus shows it: a ring at least 2 px wide that stands out from
// what is behind it.
TEST_F(ScreenWindowTest, TheFocusedControlShowsAStrongRing)
{
    // A text box's blinking cursor would change pixels of its own between the two pictures.
    const int flash = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(0);
    const auto restore = qScopeGuard([flash] { QApplication::setCursorFlashTime(flash); });
    Form3 &menu = openMenu();
    QTest::mouseClick(menu.Command2, Qt::LeftButton);
    Form5 &settings = Screens::form5();
    QTest::mouseClick(settings.Command2, Qt::LeftButton);
    QTest::mouseClick(menu.Command1, Qt::LeftButton);
    Form1 &form = quiz();
    const QList<std::pair<QWidget *, QList<QWidget *>>> screens{
        {&settings,
            {settings.Command2, settings.Command1, settings.Text3, settings.Text2, settings.Text1}},
        {&menu, {menu.Command1, menu.Command2, menu.Command3}},
        {&form,
            {form.Command1[0], form.Command1[1], form.Command1[2], form.Command1[3],
                form.Command1[4], form.Command2, form.Option1[0], form.Option1[1], form.Command3}},
    };
    for (const auto &[window, controls] : screens) {
        for (QWidget *other : QApplication::topLevelWidgets())
            other->hide();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        for (QWidget *control : controls) {
            SCOPED_TRACE(QStringLiteral("%1 on %2")
                             .arg(control->objectName(), window->windowTitle())
                             .toStdString());
            window->setFocus();
            const QImage before = control->grab().toImage();
            control->setFocus();
            ASSERT_TRUE(control->hasFocus());
            const QImage after = control->grab().toImage();

            // Along the middle row from the left: the first pixels that changed form the ring.
            const int y = after.height() / 2;
            int x = 0;
            while (x < after.width() && after.pixel(x, y) == before.pixel(x, y))
                ++x;
            ASSERT_LT(x, after.width()) << "no focus shown";
            // Its width: the changed pixels in a row (the edge may be blended into the face).
            int width = 0;
            while (x + width < after.width()
                && after.pixel(x + width, y) != before.pixel(x + width, y))
                ++width;
            EXPECT_GE(width, 2);
            const QColor ring = after.pixelColor(x + width / 2, y);
            const QColor face = control->palette().color(control->backgroundRole());
            EXPECT_GE(ScreenStyle::contrast(ring, face), 3.0)
                << qPrintable(ring.name()) << " on " << qPrintable(face.name());
        }
    }
}
