#include "lesson/lessoncheck.h"
#include "testsupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

using namespace LessonCheck;

namespace {

const QString Sakana = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま\r\n");
const QString Inu = QStringLiteral("inu,い,ぬ,,ぬ,か,い,し,て\r\n");

// A lesson folder laid out as the program expects it: data/, pic/ and voice/ side by side.
class LessonCheckTest : public ::testing::Test
{
protected:
    QString dataFolder() const { return m_dir.filePath(QStringLiteral("data")); }
    QString picFolder() const { return m_dir.filePath(QStringLiteral("pic")); }
    QString voiceFolder() const { return m_dir.filePath(QStringLiteral("voice")); }

    // Writes data.txt in Shift-JIS, gives every word its picture and every letter its clip, and
    // returns the lesson as the checker reads it.
    LessonFile writeLesson(const QString &text)
    {
        writeFile(m_dir, QStringLiteral("data/data.txt"), shiftJis(text));
        const LessonFile lesson = read();
        for (const QString &mark : {QStringLiteral("すごい.jpg"), QStringLiteral("しっかり.jpg")})
            writeFile(m_dir, QStringLiteral("pic/") + mark, "jpeg");
        for (const LessonFile::Row &row : lesson.rows) {
            if (!row[0].isEmpty())
                writeFile(m_dir, QStringLiteral("pic/%1.jpg").arg(row[0]), "jpeg");
            for (int field = 1; field < LessonFile::FieldsPerRow; ++field)
                if (!row[field].isEmpty())
                    writeFile(m_dir, QStringLiteral("voice/%1.wav").arg(row[field]), "RIFF");
        }
        QDir().mkpath(voiceFolder());
        return lesson;
    }

    LessonFile read() const
    {
        return LessonFile::read(dataFolder() + QStringLiteral("/data.txt"), true);
    }

    void remove(const QString &name)
    {
        ASSERT_TRUE(QFile::remove(m_dir.filePath(name))) << name.toStdString();
    }

    // "kind row subject" per problem: short to compare, readable when it fails.
    QStringList problems(const LessonFile &lesson) const
    {
        QStringList lines;
        for (const Problem &p : check(lesson, picFolder(), voiceFolder()))
            lines << QStringLiteral("%1 %2 %3")
                         .arg(kindName(p.kind))
                         .arg(p.row)
                         .arg(p.subject)
                         .trimmed();
        return lines;
    }

    // Runs the checker as a parent would, on the data folder, and returns its exit status.
    int runChecker(const QStringList &arguments)
    {
        m_out.clear();
        m_err.clear();
        return run(QStringList{QStringLiteral("pikomoji-check")} + arguments, m_out, m_err);
    }

    QTemporaryDir m_dir;
    QByteArray m_out;
    QByteArray m_err;
};

TEST_F(LessonCheckTest, ACompleteLessonHasNothingToFix)
{
    const LessonFile lesson = writeLesson(Sakana + Inu);
    EXPECT_TRUE(problems(lesson).isEmpty()) << problems(lesson).join(u'\n').toStdString();

    EXPECT_EQ(runChecker({dataFolder()}), 0);
    const QString report = QString::fromUtf8(m_out);
    EXPECT_TRUE(report.contains(QStringLiteral("もんだいは 2 問です"))) << m_out.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Shift-JIS")));
    EXPECT_TRUE(report.contains(QStringLiteral("なおすところはありません")));
    EXPECT_TRUE(m_err.isEmpty());
}

TEST_F(LessonCheckTest, WordsThatCannotBeAnsweredAsWritten)
{
    const LessonFile lesson = writeLesson(Sakana
        + QStringLiteral("inu,い,ぬ,,か,い,し,て,ね\r\n" // ぬ missing
                         "tomato,と,ま,と,ま,た,か,さ,な\r\n" // と twice
                         "x,,あ,い,あ,い,う,え,お\r\n"
                         "y,う,,み,う,み,か,さ,た\r\n"
                         ",き,,,き,く,け,こ,か\r\n"));
    ASSERT_TRUE(lesson.loaded());
    EXPECT_EQ(problems(lesson),
        (QStringList{
            "letter_not_among_answers 2 ぬ",
            "letter_not_among_answers 3 と",
            "empty_letter 4",
            "letter_after_gap 5 み",
            "empty_picture_name 6",
        }));
    EXPECT_EQ(runChecker({dataFolder()}), 1);
}

TEST_F(LessonCheckTest, MissingPicturesAndClipsAreNamedWithTheRowsThatNeedThem)
{
    const LessonFile lesson = writeLesson(Sakana + Inu);
    remove(QStringLiteral("pic/inu.jpg"));
    remove(QStringLiteral("pic/しっかり.jpg"));
    remove(QStringLiteral("voice/か.wav")); // used by both words
    remove(QStringLiteral("voice/し.wav"));
    EXPECT_EQ(problems(lesson),
        (QStringList{
            "missing_picture 2 inu.jpg",
            "missing_mark_picture 0 しっかり.jpg",
            "missing_voice 1 か.wav",
            "missing_voice 2 し.wav",
        }));
    const QList<Problem> found = check(lesson, picFolder(), voiceFolder());
    EXPECT_EQ(found[2].rows, (QList<int>{1, 2}));
    EXPECT_EQ(describe(found[2]),
        QStringLiteral(
            "声のファイル「か.wav」が声のフォルダにありません (1行目、2行目で使っています)。"));
    EXPECT_EQ(describe(found[0]),
        QStringLiteral("2行目「いぬ」: 絵のファイル「inu.jpg」が絵のフォルダにありません。"));

    // A missing folder is one problem, not one per file.
    const QList<Problem> noFolders = check(lesson, m_dir.filePath(QStringLiteral("nothing")),
        m_dir.filePath(QStringLiteral("nothing either")));
    ASSERT_EQ(noFolders.size(), 2);
    EXPECT_EQ(noFolders[0].kind, Kind::MissingPictureFolder);
    EXPECT_EQ(noFolders[1].kind, Kind::MissingVoiceFolder);
}

TEST_F(LessonCheckTest, AFileEndingInsideARowNamesTheRowAndTheFieldAndStillChecksTheRowsBefore)
{
    const LessonFile lesson = writeLesson(Sakana
        + QStringLiteral("inu,い,ぬ,,か,い,し,て,ね\r\n"
                         "neko,ね,こ,,ね,こ,い,ぬ\r\n"));
    EXPECT_EQ(problems(lesson),
        (QStringList{
            "file_ends_inside_row 3",
            "letter_not_among_answers 2 ぬ",
        }));
    const QList<Problem> found = check(lesson, picFolder(), voiceFolder());
    EXPECT_EQ(found[0].field, 9);
    EXPECT_TRUE(describe(found[0]).startsWith(
        QStringLiteral("3行目「ねこ」: 9番目の欄の前でファイルが終わっています。")))
        << describe(found[0]).toStdString();

    EXPECT_EQ(runChecker({dataFolder()}), 2);
    EXPECT_TRUE(QString::fromUtf8(m_out).contains(QStringLiteral("読みこめません")));
}

TEST_F(LessonCheckTest, EmptyAndMissingFilesDoNotLoad)
{
    writeLesson(Sakana);
    writeFile(m_dir, QStringLiteral("data/data.txt"), "\r\n  \r\n");
    EXPECT_EQ(problems(read()), QStringList{"empty_file 0"});
    EXPECT_EQ(runChecker({dataFolder()}), 2);

    remove(QStringLiteral("data/data.txt"));
    const QStringList missing = problems(read());
    ASSERT_EQ(missing.size(), 1);
    EXPECT_TRUE(missing[0].startsWith(QStringLiteral("cannot_open 0 ")))
        << missing[0].toStdString();
    EXPECT_EQ(runChecker({dataFolder()}), 2);
    EXPECT_EQ(runChecker({m_dir.filePath(QStringLiteral("no such folder"))}), 2);
}

TEST_F(LessonCheckTest, RowsAfterTheTwentiethAreReportedAsIgnored)
{
    QString text;
    for (int i = 1; i <= 22; ++i)
        text += Sakana;
    const LessonFile lesson = writeLesson(text);
    EXPECT_EQ(problems(lesson), QStringList{"rows_ignored 21"});
    EXPECT_EQ(runChecker({dataFolder()}), 1);
    EXPECT_TRUE(QString::fromUtf8(m_out).contains(QStringLiteral("もんだいは 20 問です")));

    writeLesson(Sakana.repeated(20) + QStringLiteral("\r\n\r\n"));
    EXPECT_TRUE(problems(read()).isEmpty()) << "blank lines after row 20 are not a 21st row";
}

TEST_F(LessonCheckTest, JsonReportHoldsTheRowsAQuizWouldUse)
{
    writeLesson(QStringLiteral("inu,い,ぬ,,か,い,し,て,ね\r\n") + Sakana);
    EXPECT_EQ(runChecker({QStringLiteral("--json"), dataFolder()}), 1);
    const QJsonObject report = QJsonDocument::fromJson(m_out).object();
    EXPECT_EQ(report[u"loaded"], true);
    EXPECT_EQ(report[u"question_count"], 2);
    EXPECT_EQ(report[u"encoding"], QStringLiteral("shift_jis"));
    const QJsonArray rows = report[u"rows"].toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toArray().toVariantList(),
        QVariantList({"inu", "い", "ぬ", "", "か", "い", "し", "て", "ね"}));
    EXPECT_EQ(rows[1].toArray().size(), 9);
    const QJsonArray problemList = report[u"problems"].toArray();
    ASSERT_EQ(problemList.size(), 1);
    EXPECT_EQ(problemList[0][u"row"], 1);
    EXPECT_EQ(problemList[0][u"kind"], QStringLiteral("letter_not_among_answers"));
    EXPECT_TRUE(problemList[0][u"detail"].toString().contains(QStringLiteral("「ぬ」")));

    writeFile(m_dir, QStringLiteral("data/data.txt"), shiftJis(Sakana + QStringLiteral("inu,い")));
    EXPECT_EQ(runChecker({QStringLiteral("--json"), dataFolder()}), 2);
    const QJsonObject failed = QJsonDocument::fromJson(m_out).object();
    EXPECT_EQ(failed[u"loaded"], false);
    EXPECT_EQ(failed[u"question_count"], 0);
    EXPECT_TRUE(failed[u"rows"].toArray().isEmpty()) << "a lesson that does not load is never used";
    EXPECT_EQ(failed[u"problems"][0][u"kind"], QStringLiteral("file_ends_inside_row"));
    EXPECT_EQ(failed[u"problems"][0][u"row"], 2);
}

TEST_F(LessonCheckTest, FoldersDefaultToThoseBesideTheDataFolderAndCanBeGiven)
{
    writeLesson(Sakana);
    QTemporaryDir elsewhere;
    EXPECT_EQ(runChecker({dataFolder() + QStringLiteral("/data.txt")}), 0) << "data.txt itself";
    EXPECT_EQ(runChecker({QStringLiteral("--pic"), elsewhere.path(), dataFolder()}), 1);
    EXPECT_TRUE(QString::fromUtf8(m_out).contains(QStringLiteral("絵のファイル「sakana.jpg」")));
    EXPECT_EQ(runChecker({QStringLiteral("--voice"), elsewhere.path(), dataFolder()}), 1);
    EXPECT_TRUE(QString::fromUtf8(m_out).contains(QStringLiteral("声のファイル「さ.wav」")));

    for (const QStringList &wrong : {QStringList{}, QStringList{"a", "b"}, QStringList{"--pic"},
             QStringList{"--colour", dataFolder()}}) {
        EXPECT_EQ(runChecker(wrong), UsageStatus) << wrong.join(u' ').toStdString();
        EXPECT_TRUE(m_err.startsWith("usage: pikomoji-check") || m_err.contains("\nusage: "));
        EXPECT_TRUE(m_out.isEmpty());
    }
}

TEST_F(LessonCheckTest, TheBuiltCheckerAnswersWithItsExitStatusAndUtf8)
{
    auto exec = [](const QStringList &arguments, QByteArray *out = nullptr) {
        QProcess process;
        process.start(QStringLiteral(PIKOMOJI_CHECK), arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        if (out)
            *out = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    writeLesson(Sakana);
    QByteArray out;
    EXPECT_EQ(exec({dataFolder()}, &out), 0);
    EXPECT_TRUE(QString::fromUtf8(out).contains(QStringLiteral("もんだいは 1 問です")))
        << out.toStdString();

    remove(QStringLiteral("voice/ま.wav"));
    EXPECT_EQ(exec({QStringLiteral("--json"), dataFolder()}, &out), 1);
    EXPECT_EQ(
        QJsonDocument::fromJson(out)[u"problems"][0][u"kind"], QStringLiteral("missing_voice"));

    EXPECT_EQ(exec({m_dir.filePath(QStringLiteral("nothing here"))}), 2);
    EXPECT_EQ(exec({}), UsageStatus);
}

} // namespace
