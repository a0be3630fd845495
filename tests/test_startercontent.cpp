// The starter lesson in content/ and the lessons in content/lessons/ are generated and then
// committed, so nothing at build time notices a hand edit that breaks them or a regeneration
// that went wrong.

#include "lesson/lessoncheck.h"
#include "lesson/lessonfile.h"
#include "media/mediajudges.h"
#include "media/picture.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QSet>
#include <QStringDecoder>

#include <gtest/gtest.h>

namespace {

const QString Content = QStringLiteral(PIKOMOJI_CONTENT_DIR);

QByteArray contentFile(const QString &name)
{
    QFile file(Content + u'/' + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(StarterContent, LoadsTwentyRowsWithNothingForTheCheckerToFix)
{
    const LessonFile lesson = LessonFile::read(Content + "/data/data.txt");
    ASSERT_TRUE(lesson.loaded());
    EXPECT_EQ(lesson.rows.size(), 20);
    for (const LessonCheck::Problem &problem :
        LessonCheck::check(lesson, Content + "/pic", Content + "/voice"))
        ADD_FAILURE() << LessonCheck::describe(problem).toStdString();

    // Every word's picture and both marks decode, and every letter in use has a WAV clip.
    QStringList pictures{"すごい", "しっかり"};
    QSet<QString> letters;
    for (const LessonFile::Row &row : lesson.rows) {
        pictures << row[0];
        for (int field = 1; field < LessonFile::FieldsPerRow; ++field)
            if (!row[field].isEmpty())
                letters.insert(row[field]);
    }
    for (const QString &name : pictures) {
        const QString path = Content + "/pic/" + name + ".jpg";
        const Picture::Result picture = Picture::load(path, {153, 153});
        EXPECT_TRUE(picture.ok()) << picture.error.toStdString();
        EXPECT_EQ(QImageReader(path).size(), QSize(512, 512)) << name.toStdString();
    }
    for (const QString &letter : letters) {
        const QByteArray clip = contentFile("voice/" + letter + ".wav");
        EXPECT_TRUE(clip.startsWith("RIFF") && clip.mid(8, 4) == "WAVE") << letter.toStdString();
    }
}

TEST(StarterContent, DataFileIsShiftJisWithCrLfAfterEveryRow)
{
    const QByteArray bytes = contentFile("data/data.txt");
    EXPECT_EQ(bytes.count("\r\n"), 20);
    EXPECT_EQ(bytes.count('\n'), 20) << "a line end without its CR";
    QStringDecoder decoder("CP932"); // Shift-JIS as Windows has it
    EXPECT_TRUE(QString(decoder(bytes)).contains(u'さ'));
    EXPECT_FALSE(decoder.hasError());
    EXPECT_EQ(
        LessonFile::read(Content + "/data/data.txt").encoding, LessonFile::Encoding::ShiftJis);
}

// Every other lesson sits in its own folder with data/ and pic/ and speaks with the starter's
// clips: the checker, run as a parent runs it with --voice on the shared folder, finds nothing.
TEST(StarterContent, EveryLessonIsCleanWithTheSharedVoiceFolder)
{
    const QStringList lessons
        = QDir(Content + "/lessons").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    EXPECT_EQ(lessons, QStringList({"animals", "food", "katakana"}));
    for (const QString &name : lessons) {
        const QString folder = Content + "/lessons/" + name;
        QByteArray out;
        QByteArray err;
        EXPECT_EQ(
            LessonCheck::run({"pikomoji-check", "--voice", Content + "/voice", folder + "/data"},
                out, err, mediaJudges()),
            0)
            << name.toStdString() << "\n"
            << out.toStdString() << err.toStdString();
        const LessonFile lesson = LessonFile::read(folder + "/data/data.txt");
        EXPECT_EQ(lesson.rows.size(), 20) << name.toStdString();
        for (const LessonFile::Row &row : lesson.rows)
            EXPECT_EQ(QImageReader(folder + "/pic/" + row[0] + ".jpg").size(), QSize(512, 512))
                << name.toStdString() << "/" << row[0].toStdString();
    }
}
