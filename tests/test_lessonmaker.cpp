#include "authoring/kana.h"
#include "authoring/lessonmaker.h"
#include "lesson/lessonfile.h"
#include "testsupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

const LessonMaker::ProgramFolders Program{
    PIKOMOJI_CONTENT_DIR "/pic", PIKOMOJI_CONTENT_DIR "/voice"};

QByteArray jpeg(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return bytes;
}

// The JPEG marked as a phone marks a photo taken sideways: "turn a quarter clockwise to view".
QByteArray sideways(const QByteArray &jpeg)
{
    const QByteArray exif(
        "Exif\0\0II\x2A\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 32);
    return jpeg.left(2) + "\xFF\xE1" + char(0) + char(exif.size() + 2) + exif + jpeg.mid(2);
}

// Every file under `folder` by its relative path, with a digest of its bytes.
QMap<QString, QString> digests(const QString &folder)
{
    QMap<QString, QString> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        file.open(QIODevice::ReadOnly);
        files.insert(QDir(folder).relativeFilePath(file.fileName()),
            QString::fromLatin1(
                QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex()));
    }
    return files;
}

class LessonMakerTest : public ::testing::Test
{
protected:
    // Runs the lesson maker on a word list with these lines, making `lesson`.
    int make(const QStringList &lines, const QString &lesson = "lesson", QStringList options = {})
    {
        writeFile(m_dir, "words.txt", lines.join(u'\n').toUtf8());
        m_out.clear();
        m_err.clear();
        return LessonMaker::run(QStringList{"pikomoji-lesson"} + options
                << m_dir.filePath("words.txt") << m_dir.filePath(lesson),
            Program, m_out, m_err);
    }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
    QByteArray m_out;
    QByteArray m_err;
};

TEST_F(LessonMakerTest, RefusesNamingTheLineAndLeavesNothingBehind)
{
    QStringList twentyOne{"# twenty-one words"};
    for (int i = 0; i < 21; ++i)
        twentyOne << "いぬ 🐶";
    const struct
    {
        const char *name;
        QStringList lines;
        const char *says; // with the line it names
    } rows[] = {
        {"four letters", {"ねこ 🐱", "ねずみ 🐭", "# a long one", "さかなや 🐟"},
            "4 行目: 「さかなや」は 4 文字"},
        {"small kana", {"", "ちゃ 🍵"}, "2 行目: 「ちゃ」の「ゃ」は使えません"},
        {"long mark", {"ケーキ 🍰"}, "1 行目: 「ケーキ」の「ー」は使えません"},
        {"not kana", {"いぬ 🐶", "犬 🐶"}, "2 行目: 「犬」の「犬」は使えません"},
        {"mixed scripts", {"いヌ 🐶"}, "1 行目: 「いヌ」はひらがなとカタカナがまざっています"},
        {"no picture", {"いぬ"}, "1 行目: 「いぬ」のあとに"},
        {"missing file", {"いぬ pochi.jpg"}, "1 行目: 画像ファイル「"},
        {"unreadable file", {"いぬ words.txt"}, "words.txt: 画像ファイルではありません"},
        {"emoji the font lacks", {"いぬ 犬"},
            "1 行目: 絵文字のフォント（Noto Color Emoji）に「犬」"},
        {"21 words", twentyOne, "22 行目: 21 こめのことば"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(make(row.lines), LessonMaker::Refused);
        const QString err = QString::fromUtf8(m_err);
        EXPECT_TRUE(err.contains(QString::fromUtf8(row.says))) << err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("レッスンは作りませんでした")))
            << err.toStdString();
        EXPECT_EQ(entries(), QStringList{"words.txt"}) << "nothing half-written";
    }
}

TEST_F(LessonMakerTest, TheSameWordsGiveTheSameBytesAndALessonTheCheckerPasses)
{
    writeFile(m_dir, "photos/ねこ.jpg", jpeg(QImage(800, 600, QImage::Format_RGB32)));
    const QStringList words{"# うちのことば", "さかな 🐟", "", "ねこ photos/ねこ.jpg", "トマト 🍅",
        "じ ✏️", "ぢ 🌍", "め　👀"};
    ASSERT_EQ(make(words, "a"), LessonMaker::Made) << m_err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(m_out).contains(QStringLiteral("なおすところはありません")))
        << m_out.toStdString() << "the checker's verdict";

    ASSERT_EQ(make(words, "b"), LessonMaker::Made);
    EXPECT_EQ(digests(m_dir.filePath("a")), digests(m_dir.filePath("b")));

    const LessonFile lesson = LessonFile::read(m_dir.filePath("a/data/data.txt"));
    ASSERT_EQ(lesson.rows.size(), 6);
    QStringList names;
    for (const LessonFile::Row &row : lesson.rows) {
        names << row[0];
        const QStringList answers(row.begin() + 4, row.end());
        EXPECT_EQ(QSet<QString>(answers.begin(), answers.end()).size(), Kana::AnswerCount);
        for (const QString &answer : answers)
            EXPECT_EQ(Kana::script(answer[0]), Kana::script(row[1][0])) << answer.toStdString();
        for (int letter = 1; letter <= 3 && !row[letter].isEmpty(); ++letter)
            EXPECT_TRUE(answers.contains(row[letter]));
    }
    EXPECT_EQ(names, (QStringList{"sakana", "neko", "tomato", "ji", "ji2", "me"}));
    for (const QString &name : names)
        EXPECT_EQ(QImage(m_dir.filePath("a/pic/" + name + ".jpg")).size(), QSize(512, 512));
    const auto marks = digests(Program.pic);
    for (const QString &mark : {"すごい.jpg", "しっかり.jpg"})
        EXPECT_EQ(digests(m_dir.filePath("a")).value("pic/" + mark), marks.value(mark));
    QFile file(m_dir.filePath("a/data/data.txt"));
    file.open(QIODevice::ReadOnly);
    EXPECT_TRUE(file.readAll().startsWith(shiftJis(QStringLiteral("sakana,さ,か,な,"))));
}

TEST_F(LessonMakerTest, APhotoIsTurnedUprightAndCutToItsCentreSquare)
{
    // Stored 400 × 300 and tagged to be turned a quarter clockwise: upright it is 300 × 400, the
    // stored top (red) on the right, the stored bottom (blue) on the left, and the green stored
    // ends at the top and bottom, which the centre square leaves out.
    QImage stored(400, 300, QImage::Format_RGB32);
    stored.fill(Qt::green);
    QPainter painter(&stored);
    painter.fillRect(50, 0, 300, 150, Qt::red);
    painter.fillRect(50, 150, 300, 150, Qt::blue);
    painter.end();
    writeFile(m_dir, "photo.jpg", sideways(jpeg(stored)));
    ASSERT_EQ(make({"て photo.jpg"}), LessonMaker::Made) << m_err.toStdString();
    const QImage picture(m_dir.filePath("lesson/pic/te.jpg"));
    ASSERT_EQ(picture.size(), QSize(512, 512));
    for (const QPoint &at : {QPoint(128, 8), QPoint(128, 503)})
        EXPECT_GT(qBlue(picture.pixel(at)), 200) << at.x() << ',' << at.y();
    for (const QPoint &at : {QPoint(384, 8), QPoint(384, 503)})
        EXPECT_GT(qRed(picture.pixel(at)), 200) << at.x() << ',' << at.y();
}

TEST_F(LessonMakerTest, AnExistingLessonIsReplacedOnlyWithForceKeepingItsVoice)
{
    ASSERT_EQ(make({"いぬ 🐶"}), LessonMaker::Made);
    writeFile(m_dir, "lesson/voice/い.wav", "mine");
    const auto before = digests(m_dir.filePath("lesson"));

    EXPECT_EQ(make({"ねこ 🐱"}), LessonMaker::Refused);
    EXPECT_TRUE(QString::fromUtf8(m_err).contains("--force"));
    EXPECT_EQ(digests(m_dir.filePath("lesson")), before);

    writeFile(m_dir, "lesson/notes.txt", "a parent's notes");
    EXPECT_EQ(make({"ねこ 🐱"}, "lesson", {"--force"}), LessonMaker::Refused)
        << "a folder with more than a lesson in it is not replaced";
    QFile::remove(m_dir.filePath("lesson/notes.txt"));
    EXPECT_EQ(digests(m_dir.filePath("lesson")), before);

    // The lesson's own voice folder lacks ね and こ: made all the same, with the checker's word.
    EXPECT_EQ(make({"ねこ 🐱"}, "lesson", {"--force"}), LessonMaker::MadeWithProblems);
    const auto after = digests(m_dir.filePath("lesson"));
    EXPECT_TRUE(after.contains("pic/neko.jpg") && !after.contains("pic/inu.jpg"));
    EXPECT_EQ(after.value("voice/い.wav"), before.value("voice/い.wav"));
    EXPECT_EQ(entries(), (QStringList{"lesson", "words.txt"}));
}

} // namespace
