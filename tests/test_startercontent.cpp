// The lessons in content/ are generated and then committed, so nothing at build time notices a
// hand edit that breaks them or a regeneration that went wrong. The checker, run with the
// program's own judges and the shared voice folder as a parent runs it, must find nothing.

#include "lesson/lessoncheck.h"
#include "lesson/lessonfile.h"
#include "media/mediajudges.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

TEST(StarterContent, EveryLessonIsCleanShiftJisAndSharpWithTheSharedVoiceFolder)
{
    const QString content = QStringLiteral(PIKOMOJI_CONTENT_DIR);
    QStringList folders{content};
    for (const QString &name :
        QDir(content + "/lessons").entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders << content + "/lessons/" + name;
    EXPECT_EQ(folders.size(), 4) << "the starter and three more";
    for (const QString &folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        QByteArray out, err;
        EXPECT_EQ(LessonCheck::run({"pikomoji-check", "--voice", content + "/voice", "--pic",
                                       folder + "/pic", folder + "/data"},
                      out, err, mediaJudges()),
            0)
            << out.toStdString() << err.toStdString();
        const LessonFile lesson = LessonFile::read(folder + "/data/data.txt");
        EXPECT_EQ(lesson.rows.size(), 20);
        EXPECT_EQ(lesson.encoding, LessonFile::Encoding::ShiftJis);
        QFile file(folder + "/data/data.txt");
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(bytes.count("\r\n"), 20);
        EXPECT_EQ(bytes.count('\n'), 20) << "a line end without its CR";
        for (const LessonFile::Row &row : lesson.rows)
            EXPECT_EQ(QImageReader(folder + "/pic/" + row[0] + ".jpg").size(), QSize(512, 512))
                << row[0].toStdString();
    }
}
