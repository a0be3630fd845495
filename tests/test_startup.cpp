#include "app/startup.h"
#include "core/module1.h"
#include "media/playvoice.h"
#include "media/voice.h"
#include "quizfixture.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

using namespace Module1;

TEST(StartOptions, TheFullScreenWishAndTheLessonFolderComeFromTheCommandLine)
{
    const struct
    {
        QStringList arguments;
        bool fullScreen;
        QString lessonDir;
    } rows[] = {
        {{"pikomoji"}, false, ""},
        {{"pikomoji", "--full-screen"}, true, ""},
        {{"pikomoji", "/home/kana/どうぶつ"}, false, "/home/kana/どうぶつ"},
        {{"pikomoji", "lessons/food", "--full-screen"}, true, "lessons/food"},
        {{"pikomoji", "--", "--full-screen"}, false, "--full-screen"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        const StartOptions options = StartOptions::parse(row.arguments);
        EXPECT_EQ(options.fullScreen, row.fullScreen);
        EXPECT_EQ(options.lessonDir, row.lessonDir);
    }
    // A mistyped command ends with 64, as the manual says, before any window opens.
    EXPECT_EXIT(
        StartOptions::parse({"pikomoji", "--bogus"}), ::testing::ExitedWithCode(64), "bogus");
    EXPECT_EXIT(StartOptions::parse({"pikomoji", "a", "b"}), ::testing::ExitedWithCode(64), "");
}

class StartupTest : public QuizFixture
{
protected:
    // Starts the program as its command line would, with `lessonDir`; returns the messages.
    QList<MessageBoxWatcher::Box> start(const QString &lessonDir)
    {
        MessageBoxWatcher watcher;
        Main(StartOptions{false, lessonDir});
        QCoreApplication::processEvents();
        EXPECT_TRUE(Screens::form3().isVisible()) << "the program starts all the same";
        return watcher.boxes;
    }

    // The folders the menu's load derives, beside the program.
    static QString beside(const QString &name)
    {
        return QFileInfo(QCoreApplication::applicationFilePath()).canonicalPath() + u'/' + name;
    }
};

TEST_F(StartupTest, ALessonFolderGivesItsFoldersAndSpeaksWithItsOwnClipsLetterByLetter)
{
    writeFile(m_dir, "one/data/data.txt", "x");
    writeFile(m_dir, "two/data/data.txt", "x");
    writeFile(m_dir, "two/voice/あ.wav", "x");
    const QString one = m_dir.filePath("one");
    EXPECT_TRUE(start(one).isEmpty());
    EXPECT_EQ(Folders.PicFolder, one + "/pic/");
    EXPECT_EQ(Folders.DataFolder, one + "/data/");
    EXPECT_EQ(Folders.VoiceFolder, one + "/voice/")
        << "its own, letter by letter, even with none yet";

    Screens::unloadAll();
    resetState();
    const QString two = m_dir.filePath("two");
    EXPECT_TRUE(start(QDir::current().relativeFilePath(two)).isEmpty());
    EXPECT_EQ(Folders.PicFolder, two + "/pic/") << "a relative folder is made absolute";
    EXPECT_EQ(Folders.VoiceFolder, two + "/voice/");

    // A parent recorded あ only: あ is theirs, every other letter the program's.
    QStringList played;
    Voice::setPlayer([&](const QString &path) { played << path; });
    PlayVoice(Folders.VoiceFolder, "あ.wav");
    PlayVoice(Folders.VoiceFolder, "い.wav");
    Voice::setPlayer({});
    EXPECT_EQ(played, (QStringList{two + "/voice/あ.wav", beside("voice/い.wav")}));
}

TEST_F(StartupTest, TheLessonOnTheCommandLineWinsWhetherTheMenuLoadsBeforeOrAfter)
{
    writeFile(m_dir, "zoo/data/data.txt", "x");
    const QString zoo = m_dir.filePath("zoo");
    for (const bool menuFirst : {true, false}) {
        SCOPED_TRACE(menuFirst ? "menu first" : "lesson first");
        Screens::unloadAll();
        resetState();
        if (menuFirst)
            Screens::form3();
        useLessonFolder(zoo, nullptr);
        Screens::form3();
        EXPECT_EQ((QStringList{Folders.PicFolder, Folders.DataFolder, Folders.VoiceFolder}),
            (QStringList{zoo + "/pic/", zoo + "/data/", zoo + "/voice/"}));
        EXPECT_EQ(Folders.AppFolder, beside("")) << "the program's own clips stay the fallback";
    }
}

TEST_F(StartupTest, AMissingLessonFolderIsSaidOnceAndTheProgramStartsAsUsual)
{
    writeFile(m_dir, "pic/x.jpg", "x"); // a folder, but no lesson: no data/ in it
    for (const QString &dir : {m_dir.filePath("nowhere"), m_dir.filePath("pic")}) {
        SCOPED_TRACE(dir.toStdString());
        Screens::unloadAll();
        resetState();
        const QList<MessageBoxWatcher::Box> boxes = start(dir);
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0].title, QStringLiteral("エラーメッセージ"));
        EXPECT_TRUE(boxes[0].text.contains(dir)) << boxes[0].text.toStdString();
        EXPECT_EQ(boxes[0].icon, int(QMessageBox::Warning));
        EXPECT_EQ(Folders.PicFolder, beside("pic/"));
        EXPECT_EQ(Folders.DataFolder, beside("data/"));
        EXPECT_EQ(Folders.VoiceFolder, beside("voice/"));
    }
}
