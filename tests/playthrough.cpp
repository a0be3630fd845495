// pikomoji-playthrough LESSON_FOLDER: one whole session through the real screens in a process of
// its own, so that its environment, files and peak memory can be watched from outside. The folder
// holds data/, pic/ and voice/. 設定 pointed at it, はじめる, every word answered (a wrong press
// first on every fourth), もんだい after each, おわる, 設定 and キャンセル, おわる on the menu.
// Prints "words 20 marks 40 misses 5 vmhwm_kib 51234" and exits 0; a message box, an error report
// or a word that cannot be finished is named on standard error and makes it exit 1.

#include "app/application.h"
#include "app/startup.h"
#include "core/module1.h"
#include "core/runtimeerror.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/form5.h"
#include "screens/screens.h"
#include "widgets/inkwidgets.h"

#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

using namespace Module1;

namespace {
int failures = 0;

void fail(const QString &what)
{
    ++failures;
    std::fprintf(stderr, "pikomoji-playthrough: %s\n", qPrintable(what));
}

// The peak resident memory of this process so far (KiB), or -1.
long peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QRegularExpressionMatch peak = QRegularExpression(QStringLiteral("VmHWM:\\s*(\\d+)"))
                                             .match(QString::fromLatin1(status.readAll()));
    return peak.hasMatch() ? peak.captured(1).toLong() : -1;
}

void session(const QString &lesson)
{
    const auto click = [](QAbstractButton *button) { QTest::mouseClick(button, Qt::LeftButton); };
    Form3 &menu = Screens::form3();
    click(menu.Command2); // 設定
    Form5 &settings = Screens::form5();
    settings.Text1->setText(lesson + QStringLiteral("voice/"));
    settings.Text2->setText(lesson + QStringLiteral("pic/"));
    settings.Text3->setText(lesson + QStringLiteral("data/"));
    click(settings.Command1);
    click(menu.Command1); // はじめる
    if (!Screens::form1Loaded())
        return fail(QStringLiteral("the quiz did not start"));

    Form1 &quiz = Screens::form1();
    const int words = QuestionCount;
    for (int word = 1; word <= words; ++word) {
        for (int press = 0; press < 4 && WordDone != True; ++press) {
            // The button carrying the red letter, but first on every fourth word one that does not.
            const bool wrong = word % 4 == 1 && press == 0;
            for (int i = 0; i < 5; ++i)
                if ((quiz.Command1[i]->text() == quiz.Label1[TargetPos]->text()) != wrong) {
                    click(quiz.Command1[i]);
                    break;
                }
        }
        if (WordDone != True)
            fail(QStringLiteral("question %1 could not be finished").arg(CurrentQuestion));
        click(quiz.Command2); // もんだい
    }
    const int marks = MarkCount, misses = MissCount;
    click(quiz.Command3); // おわる
    click(menu.Command2); // 設定, then キャンセル
    click(settings.Command2);
    std::printf(
        "words %d marks %d misses %d vmhwm_kib %ld\n", words, marks, misses, peakMemoryKiB());
    std::fflush(stdout);
    click(menu.Command3); // おわる: the end of the program
}
} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pikomoji-playthrough LESSON_FOLDER\n");
        return 64;
    }
    Application app(argc, argv);
    const QString lesson = QDir::cleanPath(QString::fromLocal8Bit(argv[1])) + u'/';
    ErrorReport::set([](const QString &message) {
        fail(QStringLiteral("error report: %1").arg(message));
        QCoreApplication::exit(1);
    });
    // A message box would wait for a parent: name it and press OK.
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
        if (failures > 0)
            QCoreApplication::exit(1); // also when the session stopped before the menu's おわる
    });
    return app.exec() == 0 && failures == 0 ? 0 : 1; // exec() first: the session runs inside it
}
