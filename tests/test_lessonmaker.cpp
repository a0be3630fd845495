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
#include <QSet>

#include <cstring>

#include <gtest/gtest.h>
#include <libheif/heif.h>

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
        {"kanji", {"いぬ 🐶", "犬 🐶"}, "2 行目: 「犬」の「犬」は漢字です。ことばは漢字をつかわずに"},
        {"not kana", {"ｉｎｕ 🐶"}, "1 行目: 「ｉｎｕ」の「ｉ」は使えません"},
        {"only the long mark", {"ーー 🐶"}, "1 行目: 「ーー」は「ー」だけです"},
        {"mixed scripts", {"いヌ 🐶"}, "1 行目: 「いヌ」はひらがなとカタカナがまざっています"},
        {"no picture", {"いぬ"}, "1 行目: 「いぬ」のあとに"},
        {"missing file", {"いぬ pochi.jpg"}, "1 行目: 画像ファイル「"},
        {"not a picture", {"いぬ words.txt"},
            "words.txt: 画像ファイルではないか、読めない形式です。使える形式は JPEG、PNG、"
            "HEIC（HEIF）、WebP、TIFF"},
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

// A HEIC photo as an iPhone stores it, `image` marked to be shown turned by `orientation`.
QByteArray heic(const QImage &image, heif_orientation orientation)
{
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    heif_image *picture = nullptr;
    heif_image_create(
        rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width() * 3));
    heif_encoding_options *options = heif_encoding_options_alloc();
    options->image_orientation = orientation;
    heif_context_encode_image(context, picture, encoder, options, nullptr);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_image_release(picture);
    QByteArray bytes;
    heif_writer writer{1, [](heif_context *, const void *data, size_t size, void *out) {
                           static_cast<QByteArray *>(out)->append(
                               static_cast<const char *>(data), qsizetype(size));
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context, &writer, &bytes);
    heif_context_free(context);
    return bytes;
}

// Words as parents type them: small kana, ー and ヴ are letters; a Mac's decomposed が, half-width
// katakana and a Shift-JIS file are read as what the parent sees; a word given twice is made,
// with a warning.
TEST_F(LessonMakerTest, WordsAreTakenAsTheParentSeesThem)
{
    const struct
    {
        const char *name;
        QByteArray list; // the word file's bytes
        QStringList rows; // picture name and letters of every row made
        const char *warns; // on stderr; "" for nothing
    } rows[] = {
        {"small kana and ー",
            QStringLiteral("きって 💌\nケーキ 🍰\nシャツ 👕\nおちゃ 🍵\nヴ 🎻\nゔ 🎻\n").toUtf8(),
            {"kitte,き,っ,て", "keeki,ケ,ー,キ", "shatsu,シ,ャ,ツ", "ocha,お,ち,ゃ", "vu,ヴ,,",
                "vu2,ゔ,,"},
            ""},
        {"decomposed and half-width",
            QStringLiteral("か\u3099み 🪞\nﾊﾟﾝ 🍞\nｹｰｷ 🍰\n").toUtf8(),
            {"gami,が,み,", "pan,パ,ン,", "keeki,ケ,ー,キ"}, ""},
        {"Shift-JIS", shiftJis(QStringLiteral("いぬ photo.png\r\nねこ photo.png\r\n")),
            {"inu,い,ぬ,", "neko,ね,こ,"}, ""},
        {"a word twice", QStringLiteral("いぬ 🐶\nねこ 🐱\nいぬ 🐕\n").toUtf8(),
            {"inu,い,ぬ,", "neko,ね,こ,", "inu2,い,ぬ,"}, "3 行目: 「いぬ」は 1 行目にもあります"},
    };
    QImage photo(64, 64, QImage::Format_RGB32);
    photo.fill(Qt::yellow);
    photo.save(m_dir.filePath("photo.png"));
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        QDir(m_dir.filePath("lesson")).removeRecursively();
        writeFile(m_dir, "words.txt", row.list);
        m_out.clear();
        m_err.clear();
        EXPECT_EQ(LessonMaker::run(
                      {"pikomoji-lesson", m_dir.filePath("words.txt"), m_dir.filePath("lesson")},
                      Program, m_out, m_err),
            LessonMaker::Made)
            << m_err.toStdString();
        const LessonFile lesson = LessonFile::read(m_dir.filePath("lesson/data/data.txt"));
        QStringList made;
        for (const LessonFile::Row &fields : lesson.rows) {
            made << QStringList(fields.begin(), fields.begin() + 4).join(u',');
            const QStringList answers(fields.begin() + 4, fields.end());
            EXPECT_EQ(QSet<QString>(answers.begin(), answers.end()).size(), Kana::AnswerCount);
        }
        EXPECT_EQ(made, row.rows);
        const QString err = QString::fromUtf8(m_err);
        if (*row.warns)
            EXPECT_TRUE(err.contains(QString::fromUtf8(row.warns))) << err.toStdString();
        else
            EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    }
}

// Photos as phones and the web save them: HEIC (turned as the file says), WebP and TIFF.
TEST_F(LessonMakerTest, PhonePhotoFormatsAreRead)
{
    // Stored 128 × 96: red on the left, blue on the right. A quarter turn clockwise shows it
    // 96 × 128 with red on top, which the centre square keeps.
    QImage stored(128, 96, QImage::Format_RGB32);
    stored.fill(Qt::red);
    QPainter(&stored).fillRect(64, 0, 64, 96, Qt::blue);
    writeFile(m_dir, "turned.heic", heic(stored, heif_orientation_rotate_90_cw));
    writeFile(m_dir, "plain.heic", heic(stored, heif_orientation_normal));
    stored.save(m_dir.filePath("web.webp"), "WEBP", 95);
    stored.save(m_dir.filePath("scan.tiff"), "TIFF");
    ASSERT_EQ(
        make({"あ turned.heic", "い plain.heic", "う web.webp", "え scan.tiff"}), LessonMaker::Made)
        << m_err.toStdString();
    const QImage turned(m_dir.filePath("lesson/pic/a.jpg"));
    EXPECT_GT(qRed(turned.pixel(256, 40)), 200) << "red on top once turned";
    EXPECT_GT(qBlue(turned.pixel(256, 470)), 200);
    for (const char *name : {"i", "u", "e"}) {
        SCOPED_TRACE(name);
        const QImage picture(m_dir.filePath(QStringLiteral("lesson/pic/%1.jpg").arg(name)));
        ASSERT_EQ(picture.size(), QSize(512, 512));
        EXPECT_GT(qRed(picture.pixel(40, 256)), 200) << "red on the left";
        EXPECT_GT(qBlue(picture.pixel(470, 256)), 200);
    }
}

// The look-alikes pair every small kana with its large letter both ways, so that a word with っ
// is asked against つ, and ー with letters of the word's own script.
TEST(Kana, SmallAndLargeLettersAreRivalsAndTheLongMarkTakesTheWordsScript)
{
    for (const auto &[small, large] :
        {std::pair{u'っ', u'つ'}, {u'ゃ', u'や'}, {u'ァ', u'ア'}, {u'ョ', u'ヨ'}, {u'ゎ', u'わ'}}) {
        SCOPED_TRACE(QString(QChar(small)).toStdString());
        EXPECT_EQ(Kana::lookAlikes(small).value(0), QString(QChar(large)));
        EXPECT_TRUE(Kana::lookAlikes(large).contains(QString(QChar(small))));
        EXPECT_TRUE(Kana::isSmall(small));
        EXPECT_FALSE(Kana::isSmall(large));
    }
    EXPECT_TRUE(Kana::chooseDistractors({"き", "っ", "て"}).contains("つ"));
    for (const QString &rival : Kana::chooseDistractors({"ケ", "ー", "キ"}))
        EXPECT_EQ(Kana::script(rival[0]), Kana::Script::Katakana) << rival.toStdString();
    for (const QString &rival : Kana::chooseDistractors({"ら", "ー"}))
        EXPECT_EQ(Kana::script(rival[0]), Kana::Script::Hiragana) << rival.toStdString();
}

} // namespace
