// Plays one whole session through the real screens, in a process of its own, for the checks that
// need the program alone: its environment set before the application object exists, its files
// and its peak memory looked at from outside.
//
//   pikomoji-playthrough LESSON_FOLDER
//
// LESSON_FOLDER holds data/, pic/ and voice/ as the program's own folder does. The session:
// "設定" pointed at LESSON_FOLDER, "はじめる", every word answered (a wrong press first on every
// fourth word), "もんだい" after each, "おわる", "はじめる" again with one word answered,
// "おわる", "設定" opened and cancelled, and "おわる" on the menu. Clips play for real on whatever
// SDL_AUDIODRIVER names. It prints one line,
//   words 20 marks 40 misses 5 vmhwm_kib 51234
// and exits 0; a message box, an error report or a quiz that does not go as a child would expect
// is named on standard error and exits 1.

#include "app/application.h"
#include "app/form3.h"
#include "app/form5.h"
#include "app/module1.h"
#include "app/screens.h"
#include "app/startup.h"
#include "quiz/form1.h"
#include "quiz/inkwidgets.h"

#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

using namespace Module1;

namespace {
QStringList failures;

void fail(const QString &what)
{
    failures << what;
    std::fprintf(stderr, "pikomoji-playthrough: %s\n", qPrintable(what));
}

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// The peak resident memory of this process so far (KiB).
long peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

int buttonWith(const Form1 &quiz, const QString &letter, bool carriesIt)
{
    for (int i = 0; i < 5; ++i)
        if ((quiz.Command1[i]->text() == letter) == carriesIt)
            return i;
    return -1;
}

// Answers question CurrentQuestion to its end; returns the wrong presses made.
int answerWord(Form1 &quiz, bool wrongFirst)
{
    int wrong = 0;
    for (int letter = 0; letter < 3 && WordDone != True; ++letter) {
        const QString asked = quiz.Label1[TargetPos]->text();
        if (wrongFirst && letter == 0) {
            click(quiz.Command1[buttonWith(quiz, asked, false)]);
            ++wrong;
        }
        const int right = buttonWith(quiz, asked, true);
        if (right < 0) {
            fail(QStringLiteral("question %1: no button carries %2")
                     .arg(CurrentQuestion)
                     .arg(asked));
            return wrong;
        }
        const int position = TargetPos;
        click(quiz.Command1[right]);
        if (quiz.Label2[position]->text() != asked)
            fail(QStringLiteral("question %1: %2 did not go into its answer box")
                     .arg(CurrentQuestion)
                     .arg(asked));
    }
    if (WordDone != True)
        fail(QStringLiteral("question %1 was not finished").arg(CurrentQuestion));
    return wrong;
}

void session(const QString &lesson)
{
    Form3 &menu = Screens::form3();
    click(menu.Command2); // 設定
    Form5 &settings = Screens::form5();
    settings.Text1->setText(lesson + QStringLiteral("voice/"));
    settings.Text2->setText(lesson + QStringLiteral("pic/"));
    settings.Text3->setText(lesson + QStringLiteral("data/"));
    click(settings.Command1);

    click(menu.Command1); // はじめる
    if (!Screens::form1Loaded() || !Screens::form1().isVisible()) {
        fail(QStringLiteral("the quiz did not start"));
        return;
    }
    Form1 &quiz = Screens::form1();
    const int words = QuestionCount;
    int misses = 0;
    for (int word = 1; word <= words; ++word) {
        misses += answerWord(quiz, word % 4 == 1);
        click(quiz.Command2); // もんだい
    }
    if (CurrentQuestion != 1)
        fail(QStringLiteral("もんだい after the last word did not go back to the first"));
    const int marks = MarkCount;
    const int missed = MissCount;
    if (missed != misses)
        fail(QStringLiteral("%1 wrong presses recorded %2 missed letters").arg(misses).arg(missed));

    click(quiz.Command3); // おわる
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (Screens::form1Loaded() || !menu.isVisible())
        fail(QStringLiteral("おわる did not go back to the menu"));

    click(menu.Command1); // はじめる again: a fresh quiz
    if (!Screens::form1Loaded() || MarkCount != 0 || CurrentQuestion != 1) {
        fail(QStringLiteral("the second quiz did not start afresh"));
        return;
    }
    answerWord(Screens::form1(), false);
    click(Screens::form1().Command3);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    click(menu.Command2); // 設定, then キャンセル
    click(settings.Command2);
    if (!menu.isVisible())
        fail(QStringLiteral("キャンセル did not go back to the menu"));

    std::printf(
        "words %d marks %d misses %d vmhwm_kib %ld\n", words, marks, missed, peakMemoryKiB());
    std::fflush(stdout);
    click(menu.Command3); // おわる: the end of the program
}
} // namespace

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: pikomoji-playthrough LESSON_FOLDER\n");
        return 64;
    }
    QString lesson = QString::fromLocal8Bit(argv[1]);
    if (!lesson.endsWith(u'/'))
        lesson += u'/';

    Application::setErrorReport([](const QString &message) {
        fail(QStringLiteral("error report: %1").arg(message));
        QCoreApplication::exit(1);
    });
    // A message box would wait for a parent; name it and press OK.
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, &app, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            fail(QStringLiteral("message box: %1").arg(box->text()));
            box->accept();
        }
    });
    boxes.start(20);

    Main();
    QTimer::singleShot(0, &app, [&lesson] {
        session(lesson);
        if (!failures.isEmpty())
            QCoreApplication::exit(1); // also when the session stopped before the menu's おわる
    });
    const int status = app.exec();
    return failures.isEmpty() && status == 0 ? 0 : 1;
}
