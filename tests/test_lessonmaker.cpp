#include "authoring/kana.h"
#include "authoring/lessonmaker.h"
#include "authoring/lessonplace.h"
#include "lesson/lessonfile.h"
#include "testsupport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QThread>

#include <cstring>

#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

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
    // Runs the lesson maker on a word list with these lines (or on `words`), making `lesson`.
    int make(const QStringList &lines, const QString &lesson = "lesson", QStringList options = {},
        const QString &words = {})
    {
        writeFile(m_dir, "words.txt", lines.join(u'\n').toUtf8());
        m_out.clear();
        m_err.clear();
        return LessonMaker::run(QStringList{"pikomoji-lesson"} + options
                << (words.isEmpty() ? m_dir.filePath("words.txt") : words)
                << m_dir.filePath(lesson),
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
    QTemporaryDir elsewhere; // what the rows read, so that the lesson's folder stays bare
    const QString fifo = elsewhere.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString utf16 = writeFile(elsewhere, "utf16.txt",
        QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(u"いぬ 🐶"), 10));
    QByteArray twelveBit = jpeg(QImage(64, 64, QImage::Format_RGB32));
    twelveBit[twelveBit.indexOf("\xFF\xC0") + 4] = 12;
    const QString twelveBitPhoto = writeFile(elsewhere, "12bit.jpg", twelveBit);
    const struct
    {
        const char *name;
        QStringList lines;
        QString says; // with the line it names
        QString words{}; // the word list, when not `lines`
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
        {"a device as the list", {}, "「/dev/zero」: ふつうのファイルではありません", "/dev/zero"},
        {"a FIFO as the list", {}, "fifo」: ふつうのファイルではありません", fifo},
        {"a UTF-16 list", {}, "UTF-8 か Shift-JIS で保存してください", utf16},
        {"a device as a photo", {"いぬ /dev/urandom"},
            "1 行目: /dev/urandom: ふつうのファイルでは"},
        {"a FIFO as a photo", {"いぬ 🐶", "ねこ " + fifo}, "2 行目: " + fifo + ": ふつうの"},
        {"a 12-bit JPEG", {"いぬ " + twelveBitPhoto}, "この JPEG（12 ビット）は読めません"},
        {"a terminal's escapes", {"い\x1b]0;x\x07ぬ 🐶"}, "「い\\x1b]0;x\\x07ぬ」の「\\x1b」"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(make(row.lines, "lesson", {}, row.words), LessonMaker::Refused);
        const QString err = QString::fromUtf8(m_err);
        EXPECT_FALSE(std::any_of(err.begin(), err.end(), [](QChar c) {
            return c != u'\n' && c.category() == QChar::Other_Control;
        })) << "a control character reached the terminal";
        EXPECT_TRUE(err.contains(row.says)) << err.toStdString();
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
    for (const QString mark : {"すごい.jpg", "しっかり.jpg"})
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

TEST_F(LessonMakerTest, ForceReplacesOnlyWhatTheMakerMadeWithTheModesTheUmaskGives)
{
    const mode_t umask = ::umask(022);
    ASSERT_EQ(make({"いぬ 🐶", "ねこ 🐱"}), LessonMaker::Made);
    const QStringList parents{"voice/い.wav", "pic/elephant-original.jpg", "data/notes.txt",
        "notes.txt", "pic/すごい.jpg"}; // the last, the parent's own mark in place of ours
    for (const QString &file : parents)
        writeFile(m_dir, "lesson/" + file, "the parent's " + file.toUtf8());
    const auto before = digests(m_dir.filePath("lesson"));

    EXPECT_EQ(make({"ねこ 🐱"}), LessonMaker::Refused);
    EXPECT_TRUE(QString::fromUtf8(m_err).contains("--force"));
    EXPECT_EQ(digests(m_dir.filePath("lesson")), before);

    EXPECT_NE(make({"ねこ 🐱", "さかな 🐟"}, "lesson", {"--force"}), LessonMaker::Refused)
        << m_err.toStdString();
    const auto after = digests(m_dir.filePath("lesson"));
    for (const QString &file : parents)
        EXPECT_EQ(after.value(file), before.value(file)) << file.toStdString();
    EXPECT_TRUE(after.contains("pic/sakana.jpg") && after.contains("pic/neko.jpg"));
    EXPECT_FALSE(after.contains("pic/inu.jpg")) << "the maker's own picture of a word gone";
    EXPECT_EQ(after.value("pic/しっかり.jpg"), digests(Program.pic).value("しっかり.jpg"));
    for (const QString path :
        {"lesson", "lesson/data", "lesson/pic", "lesson/data/data.txt", "lesson/pic/neko.jpg"}) {
        struct stat status;
        ASSERT_EQ(::stat(QFile::encodeName(m_dir.filePath(path)).constData(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, S_ISDIR(status.st_mode) ? 0755u : 0644u)
            << path.toStdString();
    }
    ::umask(umask);

    // A picture of the maker's that the parent has since changed is theirs: never replaced.
    writeFile(m_dir, "lesson/pic/neko.jpg", "our cat");
    const auto edited = digests(m_dir.filePath("lesson"));
    EXPECT_EQ(make({"ねこ 🐱"}, "lesson", {"--force"}), LessonMaker::Refused);
    EXPECT_TRUE(QString::fromUtf8(m_err).contains("pic/neko.jpg」は pikomoji-lesson が作った"));
    EXPECT_EQ(digests(m_dir.filePath("lesson")), edited);

    // A link to a lesson is neither followed nor emptied.
    ASSERT_TRUE(QFile::link(m_dir.filePath("lesson"), m_dir.filePath("link")));
    EXPECT_EQ(make({"ねこ 🐱"}, "link", {"--force"}), LessonMaker::Refused);
    EXPECT_TRUE(QString::fromUtf8(m_err).contains("シンボリックリンク"));
    EXPECT_EQ(digests(m_dir.filePath("lesson")), edited);
    EXPECT_EQ(entries(), (QStringList{"lesson", "link", "words.txt"})) << "nothing left behind";
}

// The built maker, as a parent's shell runs it.
struct Ran
{
    int status = -1; // the exit status, or -1 when a signal ended it
    QString err;
};

Ran runMaker(const QStringList &arguments, const QByteArray &stopAt = {},
    const QString &outputFile = {}, const QByteArray &input = {})
{
    QProcess maker;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!stopAt.isEmpty())
        environment.insert("PIKOMOJI_LESSON_STOP_AT", QString::fromLatin1(stopAt));
    maker.setProcessEnvironment(environment);
    if (!outputFile.isEmpty())
        maker.setStandardOutputFile(outputFile);
    maker.start(PIKOMOJI_LESSON, arguments);
    maker.write(input);
    maker.closeWriteChannel();
    maker.waitForFinished(60000);
    return {maker.exitStatus() == QProcess::NormalExit ? maker.exitCode() : -1,
        QString::fromUtf8(maker.readAllStandardError())};
}

TEST_F(LessonMakerTest, StoppedAtAnyStepTheLessonIsTheOldOneOrTheNewOneWhole)
{
    // What the lesson is before and after a --force that runs to its end.
    ASSERT_EQ(make({"いぬ 🐶"}, "reference"), LessonMaker::Made);
    writeFile(m_dir, "reference/pic/mine.jpg", "the parent's");
    const auto old = digests(m_dir.filePath("reference"));
    const QString words = writeFile(m_dir, "new.txt", "ねこ 🐱\n");
    ASSERT_NE(
        runMaker({"--force", words, m_dir.filePath("reference")}).status, LessonMaker::Refused);
    const auto made = digests(m_dir.filePath("reference"));
    ASSERT_NE(old, made);

    for (int step = 0; step < int(std::size(LessonPlace::StepNames)); ++step)
        for (int signal : {SIGKILL, SIGTERM}) {
            const QByteArray stopAt
                = LessonPlace::StepNames[step] + (':' + QByteArray::number(signal));
            SCOPED_TRACE(stopAt.toStdString());
            const QString lesson = "lesson" + QString::number(step) + '-' + QString::number(signal);
            ASSERT_EQ(make({"いぬ 🐶"}, lesson), LessonMaker::Made);
            writeFile(m_dir, lesson + "/pic/mine.jpg", "the parent's");
            EXPECT_EQ(runMaker({"--force", words, m_dir.filePath(lesson)}, stopAt).status, -1);
            EXPECT_EQ(digests(m_dir.filePath(lesson)),
                step >= int(LessonPlace::Step::Swapped) ? made : old);
            if (signal == SIGKILL) { // what it left is cleared by the next run on that lesson
                EXPECT_NE(runMaker({"--force", words, m_dir.filePath(lesson)}).status,
                    LessonMaker::Refused);
            }
            const QStringList hidden
                = QDir(m_dir.path())
                      .entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot)
                      .filter(QRegularExpression("^\\."));
            EXPECT_EQ(hidden, QStringList()) << "left behind";
        }
}

TEST_F(LessonMakerTest, TwoMakersOnOneLessonTakeTurns)
{
    const QString first = writeFile(m_dir, "first.txt", "いぬ 🐶\n");
    const QString second = writeFile(m_dir, "second.txt", "ねこ 🐱\n");
    const QString lesson = m_dir.filePath("lesson");
    QProcess holder; // stops itself once it holds the lock
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PIKOMOJI_LESSON_STOP_AT", "locked:" + QString::number(SIGSTOP));
    holder.setProcessEnvironment(environment);
    holder.start(PIKOMOJI_LESSON, {first, lesson});
    auto waitFor = [](const std::function<bool()> &done) {
        for (int i = 0; i < 600 && !done(); ++i) // a hang guard: a minute
            QThread::msleep(100);
        return done();
    };
    ASSERT_TRUE(waitFor([&] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(holder.processId()));
        return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") T ");
    }));
    QProcess waiter;
    waiter.start(PIKOMOJI_LESSON, {second, lesson});
    QByteArray said;
    EXPECT_TRUE(waitFor([&] {
        waiter.waitForReadyRead(100);
        said += waiter.readAllStandardError();
        return QString::fromUtf8(said).contains("待っています");
    })) << "the second maker goes ahead while the first is at work";
    ::kill(pid_t(holder.processId()), SIGCONT);
    ASSERT_TRUE(holder.waitForFinished(60000));
    ASSERT_TRUE(waiter.waitForFinished(60000));
    EXPECT_EQ(holder.exitCode(), LessonMaker::Made);
    EXPECT_EQ(waiter.exitCode(), LessonMaker::Refused) << "it would replace without --force";
    EXPECT_TRUE(QString::fromUtf8(said + waiter.readAllStandardError()).contains("もうあります"));
    EXPECT_TRUE(QFile::exists(lesson + "/pic/inu.jpg") && !QFile::exists(lesson + "/pic/neko.jpg"));
}

TEST_F(LessonMakerTest, TheBuiltMakerSaysAFullDiskAMistypedCommandAndALostReport)
{
    const QString words = writeFile(m_dir, "words.txt", "いぬ 🐶\nねこ 🐱\nさかな 🐟\nとり 🐦\n");
    const QString full = m_dir.filePath("full");
    QDir().mkpath(full);
    QProcess shell; // a 32 KiB disk of its own, in a namespace where this user may mount one
    shell.setProcessChannelMode(QProcess::MergedChannels);
    shell.start("unshare",
        {"-rm", "sh", "-c",
            "mount -t tmpfs -o size=32k tmpfs \"$1\" || exit 99; \"$2\" \"$3\" "
            "\"$1/zoo\"; echo \"status $?\"; ls -A \"$1\"",
            "sh", full, PIKOMOJI_LESSON, words});
    ASSERT_TRUE(shell.waitForFinished(60000));
    if (shell.exitCode() == 99)
        GTEST_SKIP() << "no tmpfs to fill here";
    const QString said = QString::fromUtf8(shell.readAll());
    EXPECT_TRUE(said.contains("「" + full + "/zoo」を書く空きがありません")) << said.toStdString();
    EXPECT_TRUE(said.trimmed().endsWith("status 2")) << "refused, and nothing left on the disk";

    EXPECT_EQ(runMaker({"--colour", words, m_dir.filePath("a")}).status, LessonMaker::UsageStatus);
    EXPECT_EQ(runMaker({"-", m_dir.filePath("b")}, {}, "/dev/full", "いぬ 🐶\n").status,
        LessonMaker::ReportLost);
    EXPECT_TRUE(QFile::exists(m_dir.filePath("b/pic/inu.jpg"))) << "a list from standard input";
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
