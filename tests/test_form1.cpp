#include "core/module1.h"
#include "media/voice.h"
#include "quizfixture.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/form5.h"
#include "screens/screens.h"
#include "testsupport.h"
#include "widgets/framebox.h"
#include "widgets/imagebox.h"
#include "widgets/inkwidgets.h"
#include "widgets/shape.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QStyleHints>
#include <QTest>
#include <QToolButton>

using namespace Module1;

namespace {
const QString Sakana = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま");
const QString Inu = QStringLiteral("inu,い,ぬ,,ぬ,か,い,し,て");
const QString Me = QStringLiteral("me,め,,,ぬ,あ,め,の,ぬ");
} // namespace

class Form1Test : public QuizFixture
{
};

// Each click of the worked example: the clip it plays, what the screen shows while the clip plays
// (the answer box is filled before it, the mark and the missed letter after it), and after it.
TEST_F(Form1Test, TheWorkedExampleClickByClick)
{
    writeLesson({Sakana});
    startQuiz();
    QStringList seen;
    Voice::setPlayer([&](const QString &path) {
        m_clips << path.section(u'/', -1);
        seen << screen();
    });
    EXPECT_EQ(screen(), "[さ]かな ||  ");
    const std::tuple<int, QString, QString, QString> clicks[] = {
        {0, "な.wav", "[さ]かな ||  ", "[さ]かな || - さ"}, // wrong
        {1, "さ.wav", "[さ]かな さ|| - さ", "さ[か]な さ|| -+ さ"},
        {2, "か.wav", "さ[か]な さ|か| -+ さ", "さか[な] さ|か| -++ さ"},
        {0, "な.wav", "さか[な] さ|か|な -++ さ", "さかな さ|か|な -+++ さ *"}, // complete
        {3, "た.wav", "さかな さ|か|な -+++ さ *", "さかな さ|か|な -+++ さ *"}, // only speaks
    };
    for (const auto &[button, clip, during, after] : clicks) {
        SCOPED_TRACE(after.toStdString());
        seen.clear();
        clickLetterButton(button);
        EXPECT_EQ(takeClips(), QStringList{clip});
        EXPECT_EQ(seen, QStringList{during});
        EXPECT_EQ(screen(), after);
    }
}

TEST_F(Form1Test, ShorterWordsFinishAtTheirLastLetter)
{
    writeLesson({Inu, Me});
    startQuiz();
    clickLetterButton(2); // い
    clickLetterButton(0); // ぬ
    EXPECT_EQ(screen(), "いぬ い|ぬ| ++  *");
    clickNext();
    EXPECT_EQ(takeClips(), (QStringList{"い.wav", "ぬ.wav", "め.wav", ".wav", ".wav"}));
    EXPECT_EQ(screen(), "[め] || ++ ");
    clickLetterButton(2); // め
    EXPECT_EQ(screen(), "め め|| +++  *");
}

TEST_F(Form1Test, NextQuestionWrapsAndStartsTheNewWordFromItsFirstLetter)
{
    writeLesson({Sakana, Inu});
    startQuiz();
    clickLetterButton(1); // さ, right: asking か
    clickLetterButton(4); // ま, wrong
    clickNext(); // in the middle of a word; marks and missed letters stay for the whole quiz
    EXPECT_EQ(screen(), "[い]ぬ || +- か");
    clickNext(); // after the last question
    EXPECT_EQ(screen(), "[さ]かな || +- か");
    EXPECT_EQ(quiz().Command1[4]->text(), QStringLiteral("ま"));

    // Finished words judge again after "もんだい".
    for (int button : {1, 2, 0})
        clickLetterButton(button);
    clickNext();
    clickNext();
    clickLetterButton(0); // な is wrong for さ: judged again, not just spoken
    EXPECT_EQ(screen(), "[さ]かな || +-+++- かさ");
}

TEST_F(Form1Test, MarksStopAtFortyAndMissedLettersAtEleven)
{
    writeLesson({Sakana});
    startQuiz();
    const QString missed(11, u'さ');
    for (int i = 0; i < 12; ++i)
        clickLetterButton(4); // ま, wrong every time; marks go on after the missed letters stop
    EXPECT_EQ(screen(), "[さ]かな || " + QString(12, u'-') + u' ' + missed);

    // Words answered right until forty marks are placed, the fortieth on さ.
    while (marks().size() < 39) {
        clickLetterButton(1 + TargetPos); // さ, か, な sit on buttons 1, 2 and 0
        if (WordDone == True)
            clickNext();
    }
    clickLetterButton(1);
    const QString fortyMarks = marks();
    ASSERT_EQ(fortyMarks.size(), 40);

    // Past forty a right answer still fills its box and moves on, a wrong one records nothing.
    clickLetterButton(2); // か, right
    clickLetterButton(4); // wrong
    EXPECT_EQ(screen(), "さか[な] さ|か| " + fortyMarks + u' ' + missed);
    clickLetterButton(0); // な, right: finishes the word
    EXPECT_EQ(screen(), "さかな さ|か|な " + fortyMarks + u' ' + missed + " *");
}

TEST_F(Form1Test, ListeningAidsSpeakWithoutChangingAnything)
{
    // The first answer box, once filled, says its own letter い, not the row's field 7 (し).
    writeLesson({QStringLiteral("inu,い,ぬ,,ぬ,か,し,い,て")});
    Form1 &form = startQuiz();
    // As the window system reports a pointer that moves; a move Qt makes up is not one.
    const auto moveOver = [&form](QWidget *widget) {
        QTest::mouseMove(form.windowHandle(), widget->mapTo(&form, QPoint(10, 10)));
    };

    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(form.Label1[i], Qt::LeftButton);
    EXPECT_EQ(takeClips(), (QStringList{"い.wav", "ぬ.wav", ".wav", "ぬ.wav", "か.wav"}));

    moveOver(form.Label1[3]);
    moveOver(form.Image1);
    EXPECT_EQ(takeClips(), (QStringList{"ぬ.wav", "い.wav", "ぬ.wav", ".wav"}));

    QTest::mouseClick(form.Label2[0], Qt::LeftButton);
    clickLetterButton(3); // い, right
    takeClips();
    QTest::mouseClick(form.Label2[0], Qt::LeftButton);
    EXPECT_EQ(takeClips(), QStringList{"い.wav"});
    EXPECT_EQ(marks(), QStringLiteral("+"));
    EXPECT_EQ(TargetPos, 1);

    // "なし" hides the letters from the next word on; hidden boxes still judge but take no clicks.
    QTest::mouseClick(form.Option1[1], Qt::LeftButton);
    EXPECT_TRUE(form.Label1[0]->isVisible());
    clickNext();
    EXPECT_FALSE(
        form.Label1[0]->isVisible() || form.Label1[1]->isVisible() || form.Label1[2]->isVisible());
    clickLetterButton(3); // い, judged on the hidden captions
    EXPECT_EQ(answers()[0], QStringLiteral("い"));
    takeClips();
    // Through the window, so that the click lands on whatever is visible at that point.
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, form.Label1[0]->geometry().center());
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, form.Label1[4]->geometry().center());
    const QStringList clips = takeClips(); // the pointer's arrival may speak too
    EXPECT_FALSE(clips.isEmpty());
    EXPECT_EQ(clips.count(QStringLiteral("か.wav")), clips.size());
}

// The second click of a double click reaches a label as a double-click event, which it ignores:
// a double click speaks once, as two clicks far apart speak twice.
TEST_F(Form1Test, ADoubleClickOnALabelSpeaksOnce)
{
    writeLesson({Sakana});
    Form1 &form = startQuiz();
    clickLetterButton(1); // さ, so that the first answer box holds a letter
    const struct
    {
        QWidget *label;
        const char *clip;
    } rows[] = {{form.Label1[0], "さ.wav"}, {form.Label1[3], "な.wav"}, {form.Label2[0], "さ.wav"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.label->objectName().toStdString());
        // Through the window, as the window system delivers it; the pointer arrives first.
        const QPoint at = row.label->mapTo(&form, row.label->rect().center());
        QTest::mouseMove(form.windowHandle(), at);
        takeClips();
        QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {}, at);
        EXPECT_EQ(takeClips(), QStringList{row.clip});
        QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, at, 1000);
        EXPECT_EQ(takeClips(), QStringList{row.clip}) << "a click after it still speaks";
    }
}

// No hovering on a touch screen: a tap on the picture speaks the word, a tap on a letter box its
// letter, once, and a tap on a button presses it.
TEST_F(Form1Test, TapsSpeakAndPressOnATouchScreen)
{
    writeLesson({Sakana});
    Form1 &form = startQuiz();
    QPointingDevice *finger = QTest::createTouchDevice();
    const auto tap = [&](QWidget *control) {
        const QPoint at = control->mapTo(&form, control->rect().center());
        QTest::touchEvent(form.windowHandle(), finger).press(0, at);
        QTest::touchEvent(form.windowHandle(), finger).release(0, at);
        QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
    };
    const struct
    {
        QWidget *control;
        QStringList clips;
    } rows[] = {
        {form.Image1, {"さ.wav", "か.wav", "な.wav"}}, {form.Label1[1], {"か.wav"}},
        {form.Label1[4], {"さ.wav"}},
        {form.Command1[1], {"さ.wav"}}, // さ, the letter asked: answered
    };
    for (const auto &row : rows) {
        tap(row.control);
        EXPECT_EQ(takeClips(), row.clips) << row.control->objectName().toStdString();
    }
    EXPECT_EQ(answers()[0], QStringLiteral("さ"));
    tap(form.Label2[0]);
    EXPECT_EQ(takeClips(), QStringList{"さ.wav"});
    tap(form.Command2);
    EXPECT_EQ(CurrentQuestion, 1) << "one word: もんだい comes back to it";
    EXPECT_EQ(answers()[0], QString()) << "もんだい pressed";
}

// What a screen reader says for each control.
// Buttons and labels speak their captions by themselves; pictures and text boxes need a name.
TEST_F(Form1Test, EveryPictureAndTextBoxHasANameAScreenReaderCanSpeak)
{
    writeLesson({Sakana});
    Form1 &form = startQuiz();
    clickLetterButton(0); // wrong
    clickLetterButton(1); // right
    Form5 &settings = Screens::form5();
    const struct
    {
        QWidget *control;
        const char *name;
    } rows[] = {
        {form.Image1, "さかな"},
        {form.Image2[0], "しっかり"},
        {form.Image2[1], "すごい"},
        {form.Image4, "やったぁ!! つぎのもんだい くりっくだよ！"},
        {settings.Text1, "音声"},
        {settings.Text2, "画像"},
        {settings.Text3, "データ"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(row.control)->text(QAccessible::Name),
            QString::fromUtf8(row.name))
            << row.control->objectName().toStdString();
}
