#include "core/module1.h"
#include "quizfixture.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/form5.h"
#include "screens/screens.h"
#include "testsupport.h"
#include "widgets/geometry.h"
#include "widgets/inkwidgets.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace Module1;

namespace {
const QString Sakana = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま");
const QString Inu = QStringLiteral("inu,い,ぬ,,ぬ,か,い,し,て");

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// Drives the next folder chooser as a user would: types `folder`, a folder's name in the folder
// it opens on, into its name box and clicks its "Choose" button, or clicks "Cancel" for an empty
// `folder`.
void chooseInTheNextDialog(const QString &folder)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, folder, typed = false]() mutable {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (!folder.isEmpty() && !typed) {
            QTest::keyClicks(name, folder);
            typed = true;
            return;
        }
        // Done with this chooser before the last click, which ends it.
        timer->stop();
        timer->deleteLater();
        // The chooser's own buttons: Return would first go to the name box's completion list.
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QTest::mouseClick(
            buttons->button(folder.isEmpty() ? QDialogButtonBox::Cancel : QDialogButtonBox::Open),
            Qt::LeftButton);
    });
    timer->start(20);
}
} // namespace

class MenuTest : public QuizFixture
{
};

// The lesson beside the program, not in whatever folder the program was started from.
TEST_F(MenuTest, TheMenuTakesTheFoldersFromTheProgramsOwnFolder)
{
    const QString started = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    Screens::form3();
    QDir::setCurrent(started);
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath();
    EXPECT_EQ((QStringList{
                  Folders.AppFolder, Folders.DataFolder, Folders.PicFolder, Folders.VoiceFolder}),
        (QStringList{program + "/", program + "/data/", program + "/pic/", program + "/voice/"}));
}

TEST_F(MenuTest, SettingsStoreWhatIsTypedAndCancelKeepsTheBoxes)
{
    Form3 &menu = openMenu();
    const QString derivedData = Folders.DataFolder;
    click(menu.Command2);
    Form5 &settings = Screens::form5();
    EXPECT_TRUE(settings.isVisible());
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(settings.Text1->text(), Folders.VoiceFolder);
    EXPECT_EQ(settings.Text2->text(), Folders.PicFolder);
    EXPECT_EQ(settings.Text3->text(), Folders.DataFolder);

    settings.Text3->setText(QStringLiteral("/somewhere/else "));
    click(settings.Command2); // キャンセル
    EXPECT_EQ(Folders.DataFolder, derivedData);
    EXPECT_TRUE(menu.isVisible());

    click(menu.Command2);
    EXPECT_EQ(&Screens::form5(), &settings) << "the settings screen is loaded once per run";
    EXPECT_EQ(settings.Text3->text(), QStringLiteral("/somewhere/else "))
        << "the boxes keep what was typed";
    settings.Text1->clear();
    click(settings.Command1); // 設定
    EXPECT_EQ(Folders.DataFolder, QStringLiteral("/somewhere/else ")) << "stored exactly as typed";
    EXPECT_EQ(Folders.VoiceFolder, QString());
    EXPECT_FALSE(settings.isVisible());
    EXPECT_TRUE(menu.isVisible());
}

TEST_F(MenuTest, NoScreenClosesFromItsCloseBoxButTheProgramMayCloseThem)
{
    writeLesson({Sakana});
    Form1 &quiz = startQuiz();
    closeFromTheCloseBox(quiz);
    EXPECT_TRUE(quiz.isVisible());
    click(quiz.Command3);
    Form3 &menu = Screens::form3();
    closeFromTheCloseBox(menu);
    EXPECT_TRUE(menu.isVisible());
    click(menu.Command2);
    closeFromTheCloseBox(Screens::form5());
    EXPECT_TRUE(Screens::form5().isVisible());
    EXPECT_TRUE(Screens::form5().close())
        << "a close from the program or the ending session goes through";
}

// The whole program through its real screens, as a parent and a child use it.
TEST_F(MenuTest, EndToEnd)
{
    QTemporaryDir second;
    writeFile(second, QStringLiteral("data.txt"),
        shiftJis(Inu + QStringLiteral("\r\n") + Sakana + "\r\n"));
    writeLesson({Sakana, Inu}); // the pictures of both words
    MessageBoxWatcher watcher;

    Form3 &menu = openMenu();
    click(menu.Command2);
    Form5 &settings = Screens::form5();
    settings.Text3->setText(second.path()); // no final "/"
    click(settings.Command1);
    EXPECT_EQ(Folders.DataFolder, second.path());

    click(menu.Command1);
    ASSERT_TRUE(Screens::form1Loaded())
        << "the lesson is read from " << qPrintable(second.path()) << "/data.txt";
    EXPECT_FALSE(menu.isVisible()) << "the menu left under the quiz";
    QPointer<Form1> firstQuiz = &Screens::form1();
    clickLetterButton(0); // ぬ, wrong
    clickLetterButton(2); // い
    clickLetterButton(0); // ぬ
    EXPECT_EQ(screen(), "いぬ い|ぬ| -++ い *");
    QTest::mouseClick(firstQuiz->Option1[1], Qt::LeftButton); // なし

    click(firstQuiz->Command3); // おわる
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(firstQuiz.isNull()) << "the quiz screen is unloaded";
    EXPECT_TRUE(menu.isVisible());

    click(menu.Command1);
    Form1 &quiz = Screens::form1();
    EXPECT_EQ(screen(), "[い]ぬ ||  ");
    EXPECT_TRUE(quiz.Option1[0]->isChecked() && quiz.Label1[0]->isVisible());
    clickLetterButton(2); // judged: a word finished in the last quiz is not carried over
    EXPECT_EQ(screen(), "い[ぬ] い|| + ");

    click(quiz.Command3);
    QFile::rename(
        second.filePath(QStringLiteral("data.txt")), second.filePath(QStringLiteral("away.txt")));
    click(menu.Command1);
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_EQ(watcher.boxes[0].title, QStringLiteral("エラーメッセージ"));
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("ファイルがロードできません"));
    EXPECT_EQ(watcher.boxes[0].icon, int(QMessageBox::Warning));
    EXPECT_EQ(LoadFailed, 0);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_FALSE(Screens::form1Loaded());

    QFile::rename(
        second.filePath(QStringLiteral("away.txt")), second.filePath(QStringLiteral("data.txt")));
    click(menu.Command1);
    EXPECT_TRUE(Screens::form1().isVisible());
    EXPECT_EQ(&Screens::form3(), &menu) << "the menu is never unloaded";
    EXPECT_EQ(&Screens::form5(), &settings);
}

// A lesson folder chosen in the desktop's folder chooser fills the three boxes; only "設定"
// stores them.
TEST_F(MenuTest, ALessonChosenInTheFolderChooserFillsTheBoxes)
{
    QTemporaryDir lessons;
    for (const char *folder :
        {"zoo/data", "zoo/pic", "zoo/voice", "bare/data", "bare/pic", "other"})
        QDir(lessons.path()).mkpath(folder);
    const QString zoo = lessons.filePath("zoo/");
    MessageBoxWatcher watcher;
    Form3 &menu = openMenu();
    const QStringList derived{Folders.VoiceFolder, Folders.PicFolder, Folders.DataFolder};
    click(menu.Command2);
    Form5 &settings = Screens::form5();
    auto boxes = [&] {
        return QStringList{settings.Text1->text(), settings.Text2->text(), settings.Text3->text()};
    };
    // Placed where the screen was empty: it covers none of the other controls.
    const QList<QWidget *> others{
        settings.Text3, settings.Command1, settings.Command2, settings.Label3};
    for (QWidget *other : others)
        EXPECT_FALSE(settings.Command3->geometry().intersects(other->geometry()));
    EXPECT_TRUE(settings.rect().contains(settings.Command3->geometry()));

    // The chooser opens beside the lesson in the boxes.
    settings.Text3->setText(lessons.filePath("bare/data/"));
    chooseInTheNextDialog("zoo");
    click(settings.Command3);
    EXPECT_EQ(boxes(), (QStringList{zoo + "voice/", zoo + "pic/", zoo + "data/"}));
    click(settings.Command2); // キャンセル
    EXPECT_EQ((QStringList{Folders.VoiceFolder, Folders.PicFolder, Folders.DataFolder}), derived);

    click(menu.Command2);
    chooseInTheNextDialog(QString()); // the chooser cancelled
    click(settings.Command3);
    EXPECT_EQ(boxes(), (QStringList{zoo + "voice/", zoo + "pic/", zoo + "data/"}));
    EXPECT_TRUE(watcher.boxes.isEmpty());

    chooseInTheNextDialog("other"); // no data/: not a lesson
    click(settings.Command3);
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_TRUE(watcher.boxes[0].text.contains(QStringLiteral("レッスンのフォルダではありません")));
    EXPECT_EQ(boxes()[2], zoo + "data/");

    // A lesson without clips of its own gets its voice/ all the same: the program's clips speak
    // every letter it lacks, and a clip the parent records there later is heard.
    chooseInTheNextDialog("bare");
    click(settings.Command3);
    const QString bare = lessons.filePath("bare/");
    EXPECT_EQ(boxes(), (QStringList{bare + "voice/", bare + "pic/", bare + "data/"}));
    click(settings.Command1); // 設定
    EXPECT_EQ((QStringList{Folders.VoiceFolder, Folders.PicFolder, Folders.DataFolder}), boxes());
}
