#include "core/module1.h"
#include "media/voice.h"
#include "quizfixture.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "testsupport.h"
#include "widgets/framebox.h"
#include "widgets/imagebox.h"
#include "widgets/inkwidgets.h"
#include "widgets/shape.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
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

TEST_F(Form1Test, TheWorkedExampleClickByClick)
{
    writeLesson({Sakana});
    Form1 &form = startQuiz();
    EXPECT_EQ(letters(), (QStringList{"さ", "か", "な"}));
    EXPECT_EQ(form.letterColour(0), 255);
    EXPECT_EQ(form.letterColour(1), 0);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.Image4->isVisible());

    // What the screen shows while each clip plays: the answers, the marks, the missed letters.
    // An answer box is filled before its clip; a mark and a missed letter appear after it.
    QStringList seenDuringClip;
    Voice::setPlayer([&](const QString &path) {
        m_clips << path.section(u'/', -1);
        seenDuringClip << answers().join(u'|') + u' ' + marks() + u' ' + missedLetters().join("");
    });
    clickLetterButton(0); // な, wrong
    EXPECT_EQ(takeClips(), QStringList{"な.wav"});
    EXPECT_EQ(std::exchange(seenDuringClip, {}), QStringList{"||  "});
    EXPECT_EQ(marks(), QStringLiteral("-"));
    EXPECT_EQ(missedLetters(), QStringList{"さ"});
    EXPECT_EQ(MarkCount, 1);
    EXPECT_EQ(MissCount, 1);
    EXPECT_EQ(TargetPos, 0);
    EXPECT_EQ(form.letterColour(0), 255);

    clickLetterButton(1); // さ, right
    EXPECT_EQ(takeClips(), QStringList{"さ.wav"});
    EXPECT_EQ(seenDuringClip, QStringList{"さ|| - さ"});
    EXPECT_EQ(marks(), QStringLiteral("-+"));
    EXPECT_EQ(form.letterColour(0), 0);
    EXPECT_EQ(form.letterColour(1), 255);
    EXPECT_EQ(TargetPos, 1);

    clickLetterButton(2); // か, right
    EXPECT_EQ(form.letterColour(1), 0);
    EXPECT_EQ(form.letterColour(2), 255);
    EXPECT_EQ(TargetPos, 2);

    clickLetterButton(0); // な, right: the word is complete
    EXPECT_EQ(takeClips(), (QStringList{"か.wav", "な.wav"}));
    EXPECT_EQ(answers(), (QStringList{"さ", "か", "な"}));
    EXPECT_EQ(marks(), QStringLiteral("-+++"));
    EXPECT_EQ(MarkCount, 4);
    EXPECT_EQ(WordDone, True);
    EXPECT_EQ(TargetPos, 2);
    EXPECT_TRUE(form.Image4->isVisible());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(form.letterColour(i), 0);

    clickLetterButton(3); // た: only speaks
    EXPECT_EQ(takeClips(), QStringList{"た.wav"});
    EXPECT_EQ(marks(), QStringLiteral("-+++"));
    EXPECT_EQ(missedLetters(), QStringList{"さ"});
}

TEST_F(Form1Test, ShorterWordsFinishAtTheirLastLetter)
{
    writeLesson({Inu, Me});
    Form1 &form = startQuiz();
    EXPECT_EQ(letters(), (QStringList{"い", "ぬ", ""}));
    clickLetterButton(2); // い
    clickLetterButton(0); // ぬ
    EXPECT_EQ(WordDone, True);
    EXPECT_EQ(TargetPos, 1);
    EXPECT_TRUE(form.Image4->isVisible());

    clickNext();
    EXPECT_EQ(takeClips(), (QStringList{"い.wav", "ぬ.wav", "め.wav", ".wav", ".wav"}));
    EXPECT_FALSE(form.Image4->isVisible());
    EXPECT_EQ(letters(), (QStringList{"め", "", ""}));
    EXPECT_EQ(answers(), (QStringList{"", "", ""}));
    clickLetterButton(2); // め
    EXPECT_EQ(WordDone, True);
    EXPECT_EQ(TargetPos, 0);
    EXPECT_EQ(marks(), QStringLiteral("+++"));
}

TEST_F(Form1Test, NextQuestionWrapsAndStartsTheNewWordFromItsFirstLetter)
{
    writeLesson({Sakana, Inu});
    Form1 &form = startQuiz();
    clickLetterButton(1); // さ, right: asking か
    clickLetterButton(4); // ま, wrong
    ASSERT_EQ(TargetPos, 1);

    clickNext(); // in the middle of a word
    EXPECT_EQ(CurrentQuestion, 2);
    EXPECT_EQ(TargetPos, 0);
    EXPECT_EQ(form.letterColour(0), 255);
    EXPECT_EQ(form.letterColour(1), 0);
    EXPECT_EQ(marks(), QStringLiteral("+-")) << "marks and missed letters stay for the whole quiz";
    EXPECT_EQ(missedLetters(), QStringList{"か"});

    clickNext(); // after the last question
    EXPECT_EQ(CurrentQuestion, 1);
    EXPECT_EQ(letters(), (QStringList{"さ", "か", "な"}));
    EXPECT_EQ(answers(), (QStringList{"", "", ""}));
    EXPECT_EQ(form.Command1[4]->text(), QStringLiteral("ま"));

    // Finished words judge again after "もんだい".
    for (int button : {1, 2, 0})
        clickLetterButton(button);
    ASSERT_EQ(WordDone, True);
    clickNext();
    clickNext();
    clickLetterButton(0); // な is wrong for さ: judged again, not just spoken
    EXPECT_EQ(answers()[0], QString());
    EXPECT_EQ(missedLetters(), (QStringList{"か", "さ"}));
}

TEST_F(Form1Test, MarksStopAtFortyAndMissedLettersAtEleven)
{
    writeLesson({Sakana});
    Form1 &form = startQuiz();
    for (int i = 0; i < 12; ++i)
        clickLetterButton(4); // ま, wrong every time
    EXPECT_EQ(MissCount, 11);
    EXPECT_EQ(missedLetters(), QStringList(11, QStringLiteral("さ")));
    EXPECT_EQ(marks(), QString(12, u'-')) << "marks go on after the missed-letter list is full";

    // Words answered right until forty marks are placed.
    while (MarkCount < 39) {
        clickLetterButton(1 + TargetPos); // さ, か, な sit on buttons 1, 2 and 0
        if (WordDone == True)
            clickNext();
    }
    clickLetterButton(1); // the fortieth mark, a right answer on question 1
    ASSERT_EQ(MarkCount, 40);
    const QString fortyMarks = marks();
    EXPECT_EQ(fortyMarks.size(), 40);

    // The 41st answer: a right one still fills its box and moves on, a wrong one records nothing.
    clickLetterButton(2); // か, right
    EXPECT_EQ(MarkCount, 40);
    EXPECT_EQ(answers()[1], QStringLiteral("か"));
    EXPECT_EQ(form.letterColour(2), 255);
    clickLetterButton(4); // wrong
    EXPECT_EQ(MissCount, 11);
    EXPECT_EQ(marks(), fortyMarks);
    clickLetterButton(0); // な, right: finishes the word
    EXPECT_EQ(WordDone, True);
    EXPECT_TRUE(form.Image4->isVisible());
}

TEST_F(Form1Test, ListeningAidsSpeakWithoutChangingAnything)
{
    writeLesson({Inu});
    Form1 &form = startQuiz();
    const auto moveOver = [](QWidget *widget) { QTest::mouseMove(widget, QPoint(10, 10)); };

    for (int i = 0; i < 5; ++i)
        QTest::mouseClick(form.Label1[i], Qt::LeftButton);
    EXPECT_EQ(takeClips(), (QStringList{"い.wav", "ぬ.wav", ".wav", "ぬ.wav", "か.wav"}));

    moveOver(form.Label1[3]);
    moveOver(form.Image1);
    EXPECT_EQ(takeClips(), (QStringList{"ぬ.wav", "い.wav", "ぬ.wav", ".wav"}));

    QTest::mouseClick(form.Label2[0], Qt::LeftButton);
    clickLetterButton(2); // い, right
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
    clickLetterButton(2); // い, judged on the hidden captions
    EXPECT_EQ(answers()[0], QStringLiteral("い"));
    takeClips();
    // Through the window, so that the click lands on whatever is visible at that point.
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, form.Label1[0]->geometry().center());
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, form.Label1[4]->geometry().center());
    const QStringList clips = takeClips(); // the pointer's arrival may speak too
    EXPECT_FALSE(clips.isEmpty());
    EXPECT_EQ(clips.count(QStringLiteral("か.wav")), clips.size());
}

TEST_F(Form1Test, APictureThatCannotBeLoadedIsNamedOnceAndTheQuizGoesOn)
{
    writeLesson({Sakana, Inu});
    QFile::remove(m_folder + QStringLiteral("pic/sakana.jpg"));
    writeFile(m_dir, QStringLiteral("pic/すごい.jpg"), "not a picture");
    MessageBoxWatcher watcher;
    Form1 &form = startQuiz();
    ASSERT_TRUE(form.isVisible()) << "a missing word picture does not stop the quiz";
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_TRUE(watcher.boxes[0].text.contains(QStringLiteral("sakana.jpg")));
    EXPECT_TRUE(form.Image1->picture().isNull());

    for (int button : {1, 2, 0})
        clickLetterButton(button);
    EXPECT_EQ(MarkCount, 3) << "marks still count when their picture cannot be shown";
    EXPECT_EQ(WordDone, True);
    EXPECT_TRUE(form.Image4->isVisible());
    ASSERT_EQ(watcher.boxes.size(), 2) << "one message for すごい.jpg, not one per answer";
    EXPECT_TRUE(watcher.boxes[1].text.contains(QStringLiteral("すごい.jpg")));

    clickNext();
    clickNext();
    EXPECT_EQ(watcher.boxes.size(), 2);
    EXPECT_EQ(letters(), (QStringList{"さ", "か", "な"}));
}

// The design's layout in twips (15 to a pixel), written out independently of the program's own
// table: {name, index, kind, left, top, width, height}.
TEST_F(Form1Test, EveryControlStandsWhereTheDesignPutsIt)
{
    struct Expected
    {
        QString name;
        const char *kind;
        int left, top, width, height;
    };
    QList<Expected> design = {
        {"Image1", "ImageBox", 360, 1920, 2295, 2295},
        {"Shape2", "Shape", 120, 1680, 2775, 2775},
        {"Image4", "ImageBox", 9960, 240, 1965, 1965},
        {"Command2", "QToolButton", 10560, 2160, 1575, 1575},
        {"Frame1", "FrameBox", 360, 4665, 1455, 975},
        {"Option1(0)", "QRadioButton", 240, 240, 1095, 255},
        {"Option1(1)", "QRadioButton", 240, 600, 1095, 255},
        {"Command3", "QPushButton", 360, 5865, 1455, 615},
        {"Label1(3)", "InkLabel", 120, 240, 2040, 360},
        {"Label1(4)", "InkLabel", 120, 600, 2325, 585},
        {"Label4(0)", "QLabel", 1440, 1170, 1215, 255},
        {"Label4(1)", "QLabel", 2520, 840, 495, 255},
        {"Shape1", "Shape", 165, 6660, 12135, 1335},
    };
    for (int i = 0; i < 3; ++i) {
        design.append(
            {QStringLiteral("Label1(%1)").arg(i), "InkLabel", 3240 + 2280 * i, 480, 1815, 1815});
        design.append(
            {QStringLiteral("Label2(%1)").arg(i), "InkLabel", 3240 + 2280 * i, 2640, 1815, 1815});
    }
    const int buttonLeft[] = {2520, 4440, 6360, 8400, 10320};
    for (int i = 0; i < 5; ++i)
        design.append(
            {QStringLiteral("Command1(%1)").arg(i), "InkButton", buttonLeft[i], 4785, 1575, 1575});
    for (int k = 0; k < 40; ++k)
        design.append({QStringLiteral("Image2(%1)").arg(k), "ImageBox", 285 + 600 * (k % 20),
            k < 20 ? 6780 : 7380, 495, 495});
    for (int k = 0; k < 11; ++k)
        design.append(
            {QStringLiteral("Label5(%1)").arg(k), "QLabel", 240 + 600 * k, 8280, 375, 375});
    ASSERT_EQ(design.size(), 75);

    Form1 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("もんだい"));
    EXPECT_EQ(form.geometry(), QRect(187, 176, 826, 609));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0xC0, 0xFF, 0xFF));
    int controls = 0;
    for (QWidget *widget : form.findChildren<QWidget *>())
        controls += !widget->objectName().isEmpty()
            && !widget->objectName().startsWith(QStringLiteral("qt_"));
    EXPECT_EQ(controls, 75) << "no control missing, none extra";
    for (const Expected &control : design) {
        SCOPED_TRACE(control.name.toStdString());
        auto *widget = form.findChild<QWidget *>(control.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), control.kind);
        EXPECT_EQ(widget->geometry(),
            QRect(control.left / 15, control.top / 15, control.width / 15, control.height / 15));
    }
    EXPECT_EQ(form.Option1[0]->parentWidget(), form.Frame1);

    // Stacking: the marks lie over their panel, the picture over its mat, the buttons over all.
    const QObjectList &stack = form.children();
    const auto depth = [&stack](QWidget *widget) { return stack.indexOf(widget); };
    EXPECT_LT(depth(form.Shape2), depth(form.Image1));
    EXPECT_LT(depth(form.Shape1), depth(form.Image2[0]));
    EXPECT_LT(depth(form.Image2[8]), depth(form.Image4));
    EXPECT_LT(depth(form.Image4), depth(form.Image2[9]));
    EXPECT_LT(depth(form.Image4), depth(form.Command2));
    EXPECT_LT(depth(form.Label1[3]), depth(form.Label1[4]));

    // A freshly loaded screen, before a quiz sets it up.
    EXPECT_EQ(form.Label1[1]->text(), QStringLiteral("あ"));
    EXPECT_EQ(form.Command1[4]->text(), QStringLiteral("あ"));
    EXPECT_EQ(form.letterColour(0), 255);
    EXPECT_FALSE(form.Option1[0]->isChecked() || form.Option1[1]->isChecked());
    EXPECT_FALSE(form.Image4->picture().isNull())
        << "the celebration picture is stored with the program";
    EXPECT_EQ(form.Image4->picture().size(), QSize(170, 170));

    // Tab order: the five letters, "もんだい", the options, "おわる", and round again.
    QWidget *expectedOrder[]
        = {form.Command1[1], form.Command1[2], form.Command1[3], form.Command1[4], form.Command2,
            form.Option1[0], form.Option1[1], form.Command3, form.Command1[0]};
    QWidget *current = form.Command1[0];
    for (QWidget *next : expectedOrder) {
        current = nextTabStop(current);
        EXPECT_EQ(current, next) << next->objectName().toStdString();
        current = next;
    }
}
