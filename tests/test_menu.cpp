#include "core/module1.h"
#include "quizfixture.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/form5.h"
#include "screens/screens.h"
#include "testsupport.h"
#include "widgets/geometry.h"
#include "widgets/inkwidgets.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace Module1;

namespace {
const QString Sakana = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま");
const QString Inu = QStringLiteral("inu,い,ぬ,,ぬ,か,い,し,て");

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
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
    EXPECT_EQ((QStringList{AppFolder, DataFolder, PicFolder, VoiceFolder}),
        (QStringList{program + "/", program + "/data/", program + "/pic/", program + "/voice/"}));
}

TEST_F(MenuTest, SettingsStoreWhatIsTypedAndCancelKeepsTheBoxes)
{
    Form3 &menu = openMenu();
    const QString derivedData = DataFolder;
    click(menu.Command2);
    Form5 &settings = Screens::form5();
    EXPECT_TRUE(settings.isVisible());
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(settings.Text1->text(), VoiceFolder);
    EXPECT_EQ(settings.Text2->text(), PicFolder);
    EXPECT_EQ(settings.Text3->text(), DataFolder);

    settings.Text3->setText(QStringLiteral("/somewhere/else "));
    click(settings.Command2); // キャンセル
    EXPECT_EQ(DataFolder, derivedData);
    EXPECT_TRUE(menu.isVisible());

    click(menu.Command2);
    EXPECT_EQ(&Screens::form5(), &settings) << "the settings screen is loaded once per run";
    EXPECT_EQ(settings.Text3->text(), QStringLiteral("/somewhere/else "))
        << "the boxes keep what was typed";
    settings.Text1->clear();
    click(settings.Command1); // 設定
    EXPECT_EQ(DataFolder, QStringLiteral("/somewhere/else ")) << "stored exactly as typed";
    EXPECT_EQ(VoiceFolder, QString());
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
    EXPECT_EQ(DataFolder, second.path());

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
