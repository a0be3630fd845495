#include "lesson/lessoncheck.h"
#include "media/mediajudges.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

using namespace LessonCheck;

namespace {

const QString Sakana = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま\r\n");
const QString Inu = QStringLiteral("inu,い,ぬ,,ぬ,か,い,し,て\r\n");
const QString InuLackingNu = QStringLiteral("inu,い,ぬ,,か,い,し,て,ね\r\n");
// A letter the program has no clip of its own for.
const QString LetterA = QStringLiteral("ei,A,,,A,い,か,さ,た\r\n");
// The clips beside the built checker, which a lesson falls back on letter by letter.
const QString ProgramVoice = QFileInfo(PIKOMOJI_CHECK).path() + "/voice";

// A lesson folder as the program lays it out: data/data.txt in Shift-JIS beside pic/ and voice/.
class LessonCheckTest : public ::testing::Test
{
protected:
    QString dataFolder() const { return m_dir.filePath("data"); }
    LessonFile read() const { return LessonFile::read(dataFolder() + "/data.txt", true); }

    // Writes data.txt and every picture, mark and clip its rows name, each one the program reads.
    void writeLesson(const QString &text)
    {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(Qt::green);
        QBuffer jpeg;
        image.save(&jpeg, "JPEG");
        const QByteArray clip = pcmWav(16, 22050, 1, 0.1);
        writeFile(m_dir, "data/data.txt", shiftJis(text));
        writeFile(m_dir, "pic/すごい.jpg", jpeg.data());
        writeFile(m_dir, "pic/しっかり.jpg", jpeg.data());
        for (const LessonFile::Row &row : read().rows)
            for (int field = 0; field < LessonFile::FieldsPerRow; ++field)
                if (!row[field].isEmpty())
                    writeFile(m_dir, QString(field ? "voice/%1.wav" : "pic/%1.jpg").arg(row[field]),
                        field ? clip : jpeg.data());
    }

    // "kind row subject" per problem; cannot_open's subject is the system's reason, which varies.
    QStringList problems() const
    {
        QStringList lines;
        for (const Problem &p :
            check(read(), m_dir.filePath("pic"), m_dir.filePath("voice"), {}, ProgramVoice)) {
            const QString subject = p.kind == Kind::CannotOpen ? QString() : p.subject;
            lines << (kindName(p.kind) + u' ' + QString::number(p.row) + u' ' + subject).trimmed();
        }
        return lines;
    }

    QTemporaryDir m_dir;
};

// A lesson, what the checker finds in it, and what the built checker prints and exits with.
struct Case
{
    const char *name;
    QString text;
    QStringList removed;
    QStringList problems;
    int status;
    QString says;
    QStringList arguments{"DATA"}; // DATA stands for the data folder, LESSON for the lesson's
    QString never{}; // what the output must not say

    friend void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }
};

class LessonCheckCases : public LessonCheckTest, public ::testing::WithParamInterface<Case>
{
};

TEST_P(LessonCheckCases, FindsWhatToFixAndTheBuiltCheckerExitsAccordingly)
{
    const Case &c = GetParam();
    writeLesson(c.text);
    for (const QString &name : c.removed)
        ASSERT_TRUE(name.endsWith(u'/') ? QDir(m_dir.filePath(name)).removeRecursively()
                                        : QFile::remove(m_dir.filePath(name)))
            << name.toStdString();
    EXPECT_EQ(problems(), c.problems);

    QProcess checker;
    checker.setProcessChannelMode(QProcess::MergedChannels);
    checker.start(PIKOMOJI_CHECK,
        QStringList(c.arguments)
            .replaceInStrings("DATA", dataFolder())
            .replaceInStrings("LESSON", m_dir.path()));
    ASSERT_TRUE(checker.waitForFinished(30000));
    const QString output = QString::fromUtf8(checker.readAll());
    EXPECT_EQ(checker.exitStatus() == QProcess::NormalExit ? checker.exitCode() : -1, c.status)
        << output.toStdString();
    for (const QString &part : c.says.split(u'\n'))
        EXPECT_TRUE(output.contains(part)) << output.toStdString();
    if (!c.never.isEmpty()) {
        EXPECT_FALSE(output.contains(c.never)) << output.toStdString();
    }
    EXPECT_FALSE(std::any_of(output.begin(), output.end(), [](QChar ch) {
        return ch != u'\n' && ch.category() == QChar::Other_Control;
    })) << "a control character reached the terminal";
}

INSTANTIATE_TEST_SUITE_P(Lessons, LessonCheckCases,
    ::testing::Values(Case{"Clean", Sakana + Inu, {}, {}, 0, "なおすところはありません"},
        Case{"WordsThatCannotBeAnswered",
            Sakana + InuLackingNu + "tomato,と,ま,と,ま,た,か,さ,な\r\n", {}, // と told once
            {"letter_not_among_answers 2 ぬ", "letter_not_among_answers 3 と"}, 1,
            "「ぬ」が答えのボタン"},
        Case{"MissingFiles", Sakana + LetterA + Inu,
            {"pic/inu.jpg", "pic/しっかり.jpg", "voice/A.wav"},
            {"missing_picture 3 inu.jpg", "missing_mark_picture 0 しっかり.jpg",
                "missing_voice 2 A.wav"},
            1, "「A.wav」が声のフォルダにありません (2行目で使っています)\nなおすところが 3 か所"},
        // Each letter as the program speaks it: the lesson's clip, else the program's.
        Case{"ProgramClipsSpeakWhatTheLessonLacks", Sakana, {"voice/か.wav", "voice/な.wav"}, {}, 0,
            "このレッスンの声: さ.wav、た.wav、ま.wav\nなおすところはありません"},
        Case{"NoVoiceFolderOfItsOwn", Sakana, {"voice/"}, {}, 0,
            "このレッスンの声: なし\nなおすところはありません", {"DATA"}, "声のフォルダ「"},
        Case{"TheLessonFolderAsTheProgramTakesIt", Sakana, {}, {}, 0,
            "data/data.txt\nなおすところはありません", {"LESSON"}},
        Case{"ANameThatIsNotThere", Sakana, {}, {}, 2, "nowhere」が見つかりません",
            {"LESSON/nowhere"}, "絵のフォルダ"},
        Case{"AFolderThatHoldsNoLesson", Sakana, {}, {}, 2, "data.txt も data フォルダもありません",
            {"LESSON/pic"}, "絵のフォルダ"},
        Case{"EndsInsideRow", Sakana + InuLackingNu + "neko,ね,こ,,ね,こ,い,ぬ\r\n", {},
            {"file_ends_inside_row 3", "letter_not_among_answers 2 ぬ"}, 2,
            "3行目「ねこ」: 9番目の欄の前でファイルが終わっています"},
        Case{"RowsAfterTwenty", Sakana.repeated(22), {}, {"rows_ignored 21"}, 1, "は 20 問です"},
        Case{"NoDataFile", Sakana, {"data/data.txt"}, {"cannot_open 0"}, 2,
            "を開けません\n読みこめません。"},
        Case{"EmptyPictureName", Sakana + ",ね,こ,,ね,こ,ぬ,い,し\r\n", {},
            {"empty_picture_name 2"}, 1, "絵の名前 (1番目の欄) が空です"},
        Case{"BadOption", Sakana, {}, {}, UsageStatus, "使いかた: ", {"--colour", "DATA"}},
        Case{"NoFolderGiven", Sakana, {}, {}, UsageStatus, "使いかた: ", {}},
        Case{"TwoFolders", Sakana, {}, {}, UsageStatus, "使いかた: ", {"DATA", "DATA"}}),
    [](const auto &row) { return std::string(row.param.name); });

// The built checker, run as a user who owns nothing of the lesson (modes bind even when the
// tests run as root), on the lesson folder, with its output.
std::pair<int, QString> runChecker(const QString &lesson, const QString &outputFile = {})
{
    QStringList command{PIKOMOJI_CHECK, lesson};
    if (::geteuid() == 0)
        command = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + command;
    QProcess checker;
    if (!outputFile.isEmpty())
        checker.setStandardOutputFile(outputFile);
    else
        checker.setProcessChannelMode(QProcess::MergedChannels);
    checker.start(::geteuid() == 0 ? "setpriv" : command.takeFirst(), command);
    checker.waitForFinished(30000);
    return {checker.exitStatus() == QProcess::NormalExit ? checker.exitCode() : -1,
        QString::fromUtf8(checker.readAll() + checker.readAllStandardError())};
}

TEST_F(LessonCheckTest, FilesAParentCannotUseAreNamedWithWhatToDo)
{
    writeLesson(Sakana);
    QFile jpegFile(m_dir.filePath("pic/sakana.jpg"));
    ASSERT_TRUE(jpegFile.open(QIODevice::ReadOnly));
    const QByteArray jpeg = jpegFile.readAll();
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    QByteArray twelveBit = jpeg;
    twelveBit[frame + 4] = 12;
    QByteArray lossless = jpeg;
    lossless[frame + 1] = char(0xC3);
    const QByteArray utf16 = QByteArray("\xFF\xFE")
        + QByteArray(reinterpret_cast<const char *>(Sakana.utf16()), Sakana.size() * 2);
    const struct
    {
        const char *name;
        QString file; // relative to the lesson folder
        QByteArray bytes; // written to `file` when not empty
        int mode; // given to `file` when not -1
        QString says;
        int status;
    } rows[] = {
        {"UTF-16 lesson file", "data/data.txt", utf16, -1, "UTF-8 か Shift-JIS で保存してください",
            2},
        {"lesson file not to be read", "data/data.txt", {}, 0, "読む権限がありません", 2},
        {"lesson folder not to be read", "", {}, 0, "」を読む権限がありません", 2},
        {"picture folder not to be read", "pic", {}, 0, "pic」を読む権限がありません", 1},
        {"12-bit JPEG", "pic/sakana.jpg", twelveBit, -1, "この JPEG（12 ビット）は読めません", 1},
        {"lossless JPEG", "pic/sakana.jpg", lossless, -1, "この JPEG（ロスレス）は読めません", 1},
    };
    ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        writeLesson(Sakana);
        const QString path = m_dir.filePath(row.file);
        if (!row.bytes.isEmpty())
            writeFile(m_dir, row.file, row.bytes);
        if (row.mode >= 0)
            ::chmod(QFile::encodeName(path).constData(), mode_t(row.mode));
        const auto [status, output] = runChecker(m_dir.path());
        EXPECT_EQ(status, row.status) << output.toStdString();
        EXPECT_TRUE(output.contains(row.says)) << output.toStdString();
        ::chmod(QFile::encodeName(path).constData(), QFileInfo(path).isDir() ? 0755 : 0644);
    }

    EXPECT_EQ(runChecker(m_dir.path(), "/dev/full").first, ReportLostStatus)
        << "a report that never arrived is no verdict";
}

// Each kind of file problem a reader finds is reported by what the file is to the lesson, with
// the names scripts read: the lesson file, the word's picture, a mark, a clip.
TEST_F(LessonCheckTest, EveryKindOfBadFileHasItsReportKind)
{
    writeLesson(Sakana);
    using enum FileProblem::Kind;
    const QStringList unusable{
        "cannot_open", "unreadable_picture", "unreadable_picture", "unplayable_voice"};
    const std::pair<FileProblem::Kind, QStringList> rows[] = {
        {UnsafeName, QStringList(4, "unsafe_name")},
        {Missing, {"cannot_open", "missing_picture", "missing_mark_picture", "missing_voice"}},
        {OutsideFolder, QStringList(4, "outside_link")},
        {Empty, QStringList(unusable).replaceInStrings("cannot_open", "empty_file")},
        {EndsEarly, QStringList(unusable).replaceInStrings("cannot_open", "file_ends_inside_row")},
        {CannotOpen, unusable},
        {NotRegularFile, unusable},
        {TooBig, unusable},
        {WrongFormat, unusable},
        {TooCostly, unusable},
        {BadHeader, unusable},
        {Undecodable, unusable},
    };
    for (const auto &[kind, expected] : rows) {
        SCOPED_TRACE(expected.join(u' ').toStdString());
        const FileJudge judge = [kind](const QString &path) -> std::optional<FileProblem> {
            if (!path.endsWith("/sakana.jpg") && !path.endsWith("/すごい.jpg")
                && !path.endsWith("/さ.wav"))
                return std::nullopt;
            return FileProblem{kind, path, "why"};
        };
        LessonFile lesson = read();
        const QList<Problem> found
            = check(lesson, m_dir.filePath("pic"), m_dir.filePath("voice"), {judge, judge});
        lesson.problem = FileProblem{kind, dataFolder() + "/data.txt", "why"};
        QStringList reported{kindName(check(lesson, {}, {}).constFirst().kind)};
        for (const Problem &p : found)
            reported << kindName(p.kind);
        EXPECT_EQ(reported, expected);
    }
}

TEST_F(LessonCheckTest, JsonReportHoldsTheRowsAQuizWouldUseAndEachProblem)
{
    writeLesson(InuLackingNu + Sakana);
    QByteArray out, err;
    EXPECT_EQ(run({"pikomoji-check", "--json", dataFolder()}, out, err, mediaJudges()), 1);
    const QJsonObject report = QJsonDocument::fromJson(out).object();
    EXPECT_EQ(report[u"loaded"], true);
    EXPECT_EQ(report[u"question_count"], 2);
    EXPECT_EQ(report[u"rows"].toArray().size(), 2);
    EXPECT_EQ(report[u"rows"][0].toArray().toVariantList(),
        QVariantList({"inu", "い", "ぬ", "", "か", "い", "し", "て", "ね"}));
    ASSERT_EQ(report[u"problems"].toArray().size(), 1);
    const QJsonValue problem = report[u"problems"][0];
    EXPECT_EQ(problem[u"row"], 1);
    EXPECT_EQ(problem[u"kind"], "letter_not_among_answers");
    EXPECT_TRUE(problem[u"detail"].toString().contains("「ぬ」が答えのボタン"));
}

} // namespace

namespace {
// The command line falls back on the clips beside the program for a clip the lesson lacks, as
// the program plays it, and names that folder; without it the same lesson lacks the clip.
TEST_F(LessonCheckTest, TheCommandLineFindsAMissingClipBesideTheProgramAndSaysWhere)
{
    writeLesson(Sakana);
    QTemporaryDir program;
    ASSERT_TRUE(QFile::rename(m_dir.filePath("voice/た.wav"), program.filePath("た.wav")));
    QByteArray out, err;
    EXPECT_EQ(run({"pikomoji-check", dataFolder()}, out, err, mediaJudges(), program.path()), 0)
        << out.constData();
    EXPECT_TRUE(out.contains("ほかの字の声: " + program.path().toUtf8())) << out.constData();
    EXPECT_EQ(run({"pikomoji-check", dataFolder()}, out, err, mediaJudges()), 1);
}
} // namespace
