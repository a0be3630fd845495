// Input that arrives while a clip plays, as the window system delivers it: queued back to back
// through QWindowSystemInterface while the quiz screen waits for a real clip on SDL's dummy
// driver. Each click, key and pointer rest must be handled after the clip, in order, on the
// control it was aimed at.

#include "core/module1.h"
#include "core/runtimeerror.h"
#include "media/picture.h"
#include "media/voice.h"
#include "quizfixture.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "testsupport.h"
#include "widgets/inkwidgets.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

#include <functional>

using namespace Module1;

namespace {
const QString Sakana = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま");

using Async = QWindowSystemInterface::AsynchronousDelivery;
} // namespace

class HeldInputTest : public QuizFixture
{
protected:
    void SetUp() override
    {
        QuizFixture::SetUp();
        writeLesson({Sakana});
        // Every letter a clip of its own length, played for real.
        const QStringList letters{"さ", "か", "な", "た", "ま"};
        for (int i = 0; i < letters.size(); ++i)
            writeFile(m_dir, QStringLiteral("voice/%1.wav").arg(letters[i]),
                pcmWav(16, 22050, 1, 0.4 + 0.01 * i));
        startQuiz();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&quiz()));
        Voice::setPlayer([this](const QString &path) {
            m_clips << path.section(u'/', -1);
            Voice::playThrough(path);
        });
    }

    // Queues what the window system would deliver for a click on `widget`: a press and a release
    // at its centre, back to back, handled whenever the event loop next looks.
    static void queueClick(QWidget *widget)
    {
        QWindow *window = widget->window()->windowHandle();
        const QPointF local = widget->mapTo(widget->window(), widget->rect().center());
        const QPointF global = widget->mapToGlobal(widget->rect().center());
        QWindowSystemInterface::handleMouseEvent<Async>(
            window, local, global, Qt::LeftButton, Qt::LeftButton, QEvent::MouseButtonPress);
        QWindowSystemInterface::handleMouseEvent<Async>(
            window, local, global, Qt::NoButton, Qt::LeftButton, QEvent::MouseButtonRelease);
    }
    static void queueMove(QWidget *widget, int dx)
    {
        QWindow *window = widget->window()->windowHandle();
        const QPoint point = widget->rect().center() + QPoint(dx, 0);
        QWindowSystemInterface::handleMouseEvent<Async>(window,
            widget->mapTo(widget->window(), QPointF(point)), widget->mapToGlobal(QPointF(point)),
            Qt::NoButton, Qt::NoButton, QEvent::MouseMove);
    }
    // A move to `point` of the window, whatever lies there.
    static void queueMoveTo(QWidget *window, QPoint point)
    {
        QWindowSystemInterface::handleMouseEvent<Async>(window->windowHandle(), QPointF(point),
            QPointF(window->mapToGlobal(point)), Qt::NoButton, Qt::NoButton, QEvent::MouseMove);
    }
    static void queueKey(QWidget *window, int key, const QString &text = {})
    {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QWindowSystemInterface::handleKeyEvent<Async>(
                window->windowHandle(), type, key, Qt::NoModifier, text);
    }
    // Runs `input` `ms` into the clip that the next click starts.
    void during(int ms, std::function<void()> input)
    {
        QTimer::singleShot(ms, &quiz(), std::move(input));
    }
};

// Counts the paint events of the widgets it watches that come while a handler runs.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && ScreenWindow::handlerRunning())
            ++paints;
        return false;
    }
};

TEST_F(HeldInputTest, ClicksDuringAClipAreAllJudgedAfterItInOrder)
{
    Form1 &form = quiz();
    during(50, [&] { queueClick(form.Command1[3]); }); // た: wrong
    during(100, [&] {
        queueClick(form.Command1[1]); // さ: right
        queueClick(form.Command1[2]); // か: right, back to back with the one before
    });
    // The pressed button shows it: the screen paints during the clip.
    PaintCounter counter;
    form.Command1[3]->installEventFilter(&counter);

    clickLetterButton(0); // な: wrong, and its clip plays while the others arrive
    EXPECT_EQ(takeClips(), (QStringList{"な.wav", "た.wav", "さ.wav", "か.wav"}));
    EXPECT_EQ(screen(), "さか[な] さ|か| --++ ささ");
    EXPECT_GT(counter.paints, 0) << "the screen stopped painting during the clip";
}

TEST_F(HeldInputTest, QuitThenNextDuringAClipBehaveAsIfClickedAfterIt)
{
    Form1 &form = quiz();
    during(50, [&] {
        queueClick(form.Command3); // おわる
        queueClick(form.Command2); // もんだい, on a screen that will be gone by then
    });
    clickLetterButton(1);
    EXPECT_EQ(takeClips(), QStringList{"さ.wav"}) << "もんだい ran after おわる";
    EXPECT_TRUE(Screens::form3().isVisible());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(CurrentQuestion, 1);
}

TEST_F(HeldInputTest, KeysAndPointerRestsDuringAClipRunAfterItAndMovesCountOnce)
{
    Form1 &form = quiz();
    for (int dx : {-20, -10, 0, 10}) // か, four moves apart in time: one rest
        during(50 + dx + 20, [&form, dx] { queueMove(form.Label1[1], dx); });
    during(100, [&] {
        queueKey(&form, Qt::Key_Tab); // from the clicked さ to か
        queueKey(&form, Qt::Key_Space, QStringLiteral(" ")); // presses か
        queueMove(form.Label1[2], 0); // な
    });
    clickLetterButton(1); // さ: right
    EXPECT_EQ(takeClips(), (QStringList{"さ.wav", "か.wav", "か.wav", "な.wav"}));
    EXPECT_EQ(answers(), (QStringList{"さ", "か", ""})) << "the key was not handled after the clip";
}

TEST_F(HeldInputTest, OptionsAndPointerRestsTakeEffectAfterTheClipInTheOrderTheyCame)
{
    Form1 &form = quiz();
    during(50, [&] {
        queueMove(form.Label1[1], 0); // crosses か
        queueMove(form.Label1[2], 0); // crosses な
        queueMoveTo(&form, {650, 100}); // and rests on the background
        queueClick(form.Command2); // もんだい
        queueClick(form.Option1[1]); // なし
    });
    clickLetterButton(1); // さ: right
    // Nothing crossed speaks; もんだい runs before なし, so the next word shows its letters.
    EXPECT_EQ(takeClips(), (QStringList{"さ.wav", "さ.wav", "か.wav", "な.wav"}));
    EXPECT_TRUE(form.Option1[1]->isChecked());
    EXPECT_TRUE(form.Label1[0]->isVisible()) << "なし took effect before もんだい";
    clickNext();
    EXPECT_FALSE(form.Label1[0]->isVisible());
}

TEST_F(HeldInputTest, AnErrorRaisedByARealClickStopsAtTheHandlerAndReachesTheErrorReport)
{
    ErrorReportRecorder recorder;
    bool heldRan = false; // a click that arrives while the report is on screen
    ErrorReport::set([&](const QString &message) {
        recorder.reports << message;
        quiz().handle([&heldRan] { heldRan = true; });
    });
    TargetPos = 5; // the letter asked lies beyond the last letter box
    queueClick(quiz().Command1[1]);
    QTest::qWait(100);
    ASSERT_EQ(recorder.reports.size(), 1);
    EXPECT_TRUE(recorder.reports[0].contains(QStringLiteral("'9'")))
        << recorder.reports[0].toStdString();
    EXPECT_FALSE(heldRan) << "the program ends after the report: nothing held runs";
}

// A praise mark that takes a while to be refused (a large progressive JPEG does), so its message
// comes up inside the answer's handler while a click on another letter is held; the message is
// closed as a child would: by Return, by a click on its button, or by Return or Space held down,
// whose repeats come as a release and a press with one time stamp, unmarked, as X11 delivers
// them to a program that takes each event as it comes. Every answer afterwards must come from
// one press: nothing may click by itself, however often this is done.
TEST_F(HeldInputTest, AMessageClosedWhileAClickIsHeldLeavesNothingThatAnswersByItself)
{
    Picture::setLoader([](const QString &path, QSize) -> Picture::Result {
        if (!path.endsWith(QStringLiteral("すごい.jpg")))
            return {QImage(8, 8, QImage::Format_RGB32), {}};
        QThread::msleep(150);
        return {{},
            FileProblem{FileProblem::Kind::Undecodable, path, QStringLiteral("読み込めません")}};
    });
    const auto restore = qScopeGuard([] { Picture::setLoader({}); });
    Form1 &form = quiz();
    enum Closing { ByReturn, ByClick, ByHeldReturn, ByHeldSpace };
    ulong time = 1'000'000; // the window system's clock, in milliseconds
    for (const Closing closing : {ByReturn, ByClick, ByHeldReturn, ByHeldSpace}) {
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE(testing::Message() << "closing " << closing << ", round " << round);
            // A folder of its own each time: a picture is named in a message once per run.
            Folders.PicFolder
                = QStringLiteral("%1round-%2-%3/").arg(m_folder).arg(closing).arg(round);
            TargetPos = 0;
            MarkCount = 0;
            MissCount = 0;
            form.setLetterColour(0, 255);
            takeClips();
            const int key = closing == ByHeldSpace ? Qt::Key_Space : Qt::Key_Return;
            const QString text
                = closing == ByHeldSpace ? QStringLiteral(" ") : QStringLiteral("\r");
            const auto sendKey = [&](QWindow *window, QEvent::Type type) {
                QWindowSystemInterface::handleKeyEvent<Async>(
                    window, time, type, key, Qt::NoModifier, text);
            };
            int boxes = 0, repeats = 0;
            QTimer closer, repeater;
            QObject::connect(&closer, &QTimer::timeout, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                if (!box || !box->isVisible() || box->property("closing").toBool())
                    return;
                box->setProperty("closing", true);
                ++boxes;
                if (closing == ByClick)
                    return queueClick(box->button(QMessageBox::Ok));
                sendKey(box->windowHandle(), QEvent::KeyPress);
                if (closing == ByReturn)
                    return sendKey(box->windowHandle(), QEvent::KeyRelease);
                repeater.start(25); // held for 30 repeats, to the box while it is up
            });
            QObject::connect(&repeater, &QTimer::timeout, [&] {
                QWidget *box = QApplication::activeModalWidget();
                QWindow *keyboard = (box ? box : &form)->windowHandle();
                time += 25;
                sendKey(keyboard, QEvent::KeyRelease);
                if (++repeats == 30)
                    return repeater.stop();
                sendKey(keyboard, QEvent::KeyPress);
            });
            closer.start(5);
            during(50, [&] { queueClick(form.Command1[3]); }); // た: wrong, held
            queueClick(form.Command1[1]); // さ: right, and its mark is refused
            ASSERT_TRUE(QTest::qWaitFor([&] { return m_clips.size() >= 2; }, 20'000));
            ASSERT_TRUE(QTest::qWaitFor([&] { return !repeater.isActive(); }, 20'000));
            QTest::qWait(800); // two clips' time: nothing more may come
            time += 1000;
            EXPECT_EQ(boxes, 1);
            EXPECT_EQ(takeClips(), (QStringList{"さ.wav", "た.wav"}));
            EXPECT_EQ(MarkCount, 2);
            EXPECT_EQ(MissCount, 1);
        }
    }
}
