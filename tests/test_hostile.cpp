// Lessons, pictures, clips and folders as a careless download, a damaged memory card or a hostile
// sender leaves them, played through the real screens: no crash, no hang, nothing read from
// outside the lesson's folders, a clear message where one is due, and the child's quiz goes on
// with every mark kept. The checker, run on the same lesson, names the problem.

#include "core/module1.h"
#include "lesson/lessoncheck.h"
#include "media/audioclip.h"
#include "media/audiooutput.h"
#include "media/mediajudges.h"
#include "media/voice.h"
#include "quizfixture.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "testsupport.h"
#include "widgets/imagebox.h"
#include "widgets/inkwidgets.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <functional>

#include <sys/stat.h>

using namespace Module1;

namespace {
const QString Sakana = QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま");
const QString Inu = QStringLiteral("inu,い,ぬ,,ぬ,か,い,し,て");
const char *const Refused = "ファイルがロードできません";
const QString WithNuls = QStringLiteral("sak\0ana,さ,か,な,\0な,さ,か,た,ま");
const QString Unterminated = QStringLiteral("sakana,\"さ,か,な,な,さ,か,た,ま");
const QByteArray InvalidShiftJis("sakana,\x82,\xFF,\x85\x40,\xFF,\x85\x40,\x82,\xA0,\xFD\r\n");
// A JPEG frame header: FF C0, length, precision, height, width.
const QByteArray SmallFrame("\xFF\xC0\0\x11\x08\0\xB4\0\xF0", 9);
const QByteArray HugeFrame("\xFF\xC0\0\x11\x08\x75\x30\x75\x30", 9);

// Time is bounded only to catch a hang, with a wide margin for a busy machine and sanitizers.
constexpr double HangMilliseconds = 20'000;

double millisecondsOf(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// A 240 × 180 JPEG of noise: its coded data is most of the file, and looks like random bytes.
QByteArray noiseJpeg()
{
    QImage image(240, 180, QImage::Format_RGB32);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(image.bits()), 240 * 180);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

QByteArray lessonClimbingPicture();

// A yellow 64 × 64 picture as a progressive JPEG, as Qt's encoder writes it.
QByteArray smallProgressive()
{
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    QBuffer buffer;
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    return buffer.data();
}

// A progressive JPEG of more than 3000 scans in 300 KB: the scans of a small one, over and over.
// Every scan is decoded over the whole picture, so today's decoders take a minute over such a file.
QByteArray scanBomb()
{
    const QByteArray jpeg = smallProgressive();
    // Markers are never inside coded data (a coded 0xFF is followed by 0x00), so FF DA is a scan.
    const qsizetype firstScan = jpeg.indexOf("\xFF\xDA");
    const QByteArray scans = jpeg.sliced(firstScan, jpeg.size() - 2 - firstScan);
    return jpeg.first(firstScan) + scans.repeated(3001 / scans.count("\xFF\xDA") + 1) + "\xFF\xD9";
}

// A progressive JPEG of 30 scans, coded arithmetically, whose frame header claims 7300 × 5500
// pixels: a few kilobytes whose headers alone say that decoding would take seconds.
QByteArray arithmeticForty()
{
    QByteArray jpeg = smallProgressive();
    const qsizetype frame = jpeg.indexOf("\xFF\xC2");
    jpeg.replace(frame + 1, 1, "\xCA"); // progressive, arithmetic
    jpeg.replace(frame + 5, 4, QByteArray("\x15\x7C\x1C\x84", 4)); // 5500 high, 7300 wide
    const qsizetype firstScan = jpeg.indexOf("\xFF\xDA");
    const QByteArray scans = jpeg.sliced(firstScan, jpeg.size() - 2 - firstScan);
    return jpeg.first(firstScan) + scans.repeated(3) + "\xFF\xD9";
}

// A GIF whose one frame is 8000 × 8000 pixels: 35 bytes that decode to 244 MiB.
QByteArray hugeGif()
{
    const QByteArray side("\x40\x1F", 2); // 8000, little-endian
    return "GIF89a" + side + side + QByteArray("\x80\0\0\0\0\0\xFF\xFF\xFF,\0\0\0\0", 14) + side
        + side + QByteArray("\0\x02\x02\x44\x01\0;", 7);
}

// IMA ADPCM at 8 kHz in blocks of 256 bytes, 505 frames each (317 make twenty seconds), as the
// fmt chunk's `extension` says or fails to say.
QByteArray imaAdpcm(int tag, const QByteArray &extension, int blocks = 317)
{
    return wavFile(tag, 1, 8000, 4, 256, QByteArray(blocks * 256, '\0'), extension);
}
const QByteArray FramesPerBlock("\xF9\x01", 2); // 505
// The extensible header: frames per block (none), the channel mask, the IMA ADPCM sub-format's
// GUID.
const QByteArray ExtensibleIma
    = QByteArray(2, 0) + QByteArray("\x04\0\0\0\x11\0\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 20);

// One line of 900 KB, within what is read of a lesson file: a picture name and four letters of
// 200 KB each, and three short ones.
QByteArray longLine()
{
    const QByteArray a = shiftJis(QString(100'000, u'あ')), i = shiftJis(QString(100'000, u'い'));
    return QByteArray(200'000, 'a') + ',' + a + ',' + i + ",," + a + ',' + i + ",か,た,ま\r\n";
}

// data.txt of these rows, in Shift-JIS with CR LF line ends.
template <typename... Rows> QByteArray lesson(const Rows &...rows)
{
    return shiftJis((QString() + ... + (rows + QStringLiteral("\r\n"))));
}

// What stands at a file's place.
enum class Node {
    File,
    Fifo, // opening it for reading waits for a writer
    LinkToDevZero, // endless zeros
    LinkToBait, // a symbolic link to the row's bait, inside or outside the file's folder
};

// One file of the starter-sized lesson replaced, and what the child should meet because of it.
struct Case
{
    const char *name;
    const char *file; // under the lesson folder
    QByteArray (*bytes)();
    const char *says = ""; // the menu's message, or why a picture cannot be read
    double seconds = 0; // how long the first right answer's clip is heard: what its file holds
    qint64 padTo = 0; // the file padded to this size with a hole of zero bytes
    const char *folder = ""; // the folder the whole lesson is then moved into
    const char *checker = nullptr; // the kind of problem pikomoji-check reports, if any
    Node node = Node::File;
    // A file where the lesson should never reach: a 1.5 s clip, a picture if it ends in .jpg, a
    // lesson if it ends in .txt.
    const char *bait = nullptr;
    friend void PrintTo(const Case &row, std::ostream *os) { *os << row.name; }
};
const auto rowName = [](const auto &info) { return std::string(info.param.name); };
const char *const DataTxt = "data/data.txt";
const char *const SakanaJpg = "pic/sakana.jpg";
const char *const SaWav = "voice/さ.wav";
const char *const Sugoi = "pic/すごい.jpg";
const qint64 Huge = 100 << 20;
const qint64 HundredGigabytes = qint64(100) << 30;
// Names that lead out of their folder, or are cut short at a NUL by the system's file calls.
const QString ClimbingLetter = QStringLiteral("sakana,../outside/x,か,な,な,../outside/x,か,た,ま");
const QString ClimbingPicture = QStringLiteral("../outside/x,さ,か,な,な,さ,か,た,ま");
const QString LetterWithNul = QStringLiteral("sakana,さ\0,か,な,な,さ\0,か,た,ま");
} // namespace

class Hostile : public QuizFixture, public ::testing::WithParamInterface<Case>
{
protected:
    void TearDown() override
    {
        EXPECT_EQ(m_reports.reports, QStringList()) << "nothing reaches the default error report";
        QuizFixture::TearDown();
    }

    ErrorReportRecorder m_reports;
    MessageBoxWatcher m_watcher;
};

TEST_P(Hostile, TheQuizGoesOnWithEveryMarkOrTheMenuSaysTheLessonCannotLoad)
{
    const Case &row = GetParam();
    const QByteArrayView file(row.file);
    writeLesson({Sakana, Inu});
    const QString path = writeFile(m_dir, QString::fromUtf8(row.file), row.bytes());
    if (row.padTo) {
        ASSERT_TRUE(QFile(path).resize(row.padTo));
    }
    QString bait;
    if (row.bait) {
        const QString name = QString::fromUtf8(row.bait);
        bait = writeFile(m_dir, name,
            name.endsWith(u".jpg")       ? noiseJpeg()
                : name.endsWith(u".txt") ? lesson(Sakana, Inu)
                                         : pcmWav(16, 22050, 1, 1.5));
    }
    if (row.node != Node::File) {
        ASSERT_TRUE(QFile::remove(path));
        ASSERT_TRUE(row.node == Node::Fifo
                ? mkfifo(QFile::encodeName(path), 0600) == 0
                : QFile::link(
                    row.node == Node::LinkToBait ? bait : QStringLiteral("/dev/zero"), path));
    }
    // A link to another picture of the same folder is as good as the picture.
    const bool pictureRefused
        = file.startsWith("pic/") && !(row.bait && QByteArrayView(row.bait).startsWith("pic/"));
    const QString folder = m_folder + QString::fromUtf8(row.folder);
    QDir().mkpath(folder);
    QDir().mkpath(m_folder + QStringLiteral("voice")); // no clip is played but the one written
    for (const QString sub : {"/data", "/pic", "/voice"})
        QDir().rename(m_folder + sub, folder + sub);

    // The checker first: it reads the same files, and must neither hang nor call them fine, nor
    // pass a control character of the lesson on to the parent's terminal.
    QByteArray report, text, err;
    const double checking = millisecondsOf([&] {
        const QString data = folder + QStringLiteral("/data");
        LessonCheck::run({"pikomoji-check", "--json", data}, report, err, mediaJudges());
        LessonCheck::run({"pikomoji-check", data}, text, err, mediaJudges());
    });
    EXPECT_LT(checking, HangMilliseconds);
    if (row.checker) {
        EXPECT_TRUE(report.contains("\"kind\": \"" + QByteArray(row.checker) + '"')
            && (!file.startsWith("voice/") || text.contains(row.says)))
            << report.toStdString() << text.toStdString();
    }
    EXPECT_FALSE(std::any_of(text.begin(), text.end(), [](char c) {
        return c != '\n' && uchar(c) < 0x20;
    })) << text.toStdString();

    Form3 &menu = openMenu();
    deriveFolders(folder);
    const double start = millisecondsOf([&] { QTest::mouseClick(menu.Command1, Qt::LeftButton); });
    EXPECT_LT(start, HangMilliseconds) << "はじめる took " << start << " ms";
    const QList<MessageBoxWatcher::Box> &boxes = m_watcher.boxes;
    if (row.says == Refused) {
        EXPECT_TRUE(boxes.size() == 1 && boxes[0].text == QString::fromUtf8(Refused));
        EXPECT_TRUE(menu.isVisible() && !Screens::form1Loaded());
        return;
    }
    ASSERT_TRUE(Screens::form1Loaded());
    EXPECT_LE(quiz().Label1[0]->text().size(), 1024) << "a field is never megabytes long";
    if (!file.startsWith("data/")) {
        EXPECT_EQ(quiz().Image1->picture().isNull(), file == SakanaJpg && pictureRefused);
    }
    if (row.bytes == lessonClimbingPicture) {
        EXPECT_TRUE(quiz().Image1->picture().isNull()) << "a picture from outside its folder";
    }

    // How long the first right answer's clips would be heard: what the sound output is handed.
    QStringList played;
    Voice::setPlayer([&played](const QString &clip) { played << clip; });
    const double took = millisecondsOf([&] { clickLetterButton(1); }); // さ, かな next
    EXPECT_LT(took, HangMilliseconds);
    AudioOutput &output = AudioOutput::instance();
    double heard = 0;
    for (const QString &clip : played)
        if (output.open())
            heard += AudioClip::read(clip, output.format()).frames() / double(output.format().rate);
    EXPECT_TRUE(!output.open() || std::abs(heard - row.seconds) < 0.02)
        << "heard " << heard << " s";
    clickLetterButton(2);
    clickLetterButton(0);
    const int placed = MarkCount;
    const QString marksPlaced = marks();
    for (int word = 0; word < 2; ++word) { // a press on the next word, then on the first again
        clickNext();
        clickLetterButton(3);
    }
    EXPECT_EQ(marks().left(marksPlaced.size()), marksPlaced) << "marks are kept across もんだい";
    EXPECT_EQ(MarkCount, placed + 2);
    if (!file.startsWith("data/")) {
        EXPECT_EQ(marks(), file == Sugoi ? QStringLiteral("...--") : QStringLiteral("+++--"));
        EXPECT_EQ(boxes.size(), pictureRefused ? 1 : 0);
    }
    const QString named
        = file.startsWith("pic/") ? QString::fromUtf8(row.file).sliced(4) : QString();
    for (const MessageBoxWatcher::Box &box : boxes)
        EXPECT_TRUE(box.text.contains(QStringLiteral("画像ファイルが読み込めません"))
            && box.text.contains(QString::fromUtf8(row.says)) && box.text.contains(named))
            << box.text.toStdString();
}

namespace {
QByteArray lessonClimbingPicture()
{
    return lesson(ClimbingPicture, Inu);
}
} // namespace

const Case Cases[] = {
    // A damaged data.txt. The 100 MB ones are zeros after the words: one more field, so two words
    // end inside a row, and nothing after twenty is read.
    {"DataBinaryGarbage", DataTxt, [] { return noiseJpeg(); }},
    {"DataOneLongLine", DataTxt, longLine},
    {"DataNulBytes", DataTxt, [] { return lesson(WithNuls, Inu); }},
    {"DataUnterminatedQuote", DataTxt, [] { return lesson(Inu, Unterminated, Inu); }, Refused},
    // A lead byte with no trail byte, a byte no letter starts with, a pair naming no letter.
    {"DataInvalidShiftJis", DataTxt, [] { return InvalidShiftJis + lesson(Inu); }},
    {"DataHundredMegabytesAfterTwoWords", DataTxt, [] { return lesson(Sakana, Inu); }, Refused, 0,
        Huge},
    {"DataHundredMegabytesAfterTwentyWords", DataTxt,
        [] { return lesson(QStringList(20, Sakana).join(QStringLiteral("\r\n"))); }, "", 0, Huge,
        "", "rows_ignored"},
    // Only the first mebibyte is read: no comma in it, so the first row is never complete.
    {"DataHundredGigabytesWithoutAComma", DataTxt, [] { return QByteArray("sakana"); }, Refused, 0,
        HundredGigabytes, "", "file_ends_inside_row"},
    {"DataIsAFifo", DataTxt, [] { return QByteArray(); }, Refused, 0, 0, "", "cannot_open",
        Node::Fifo},
    {"DataIsALinkToDevZero", DataTxt, [] { return QByteArray(); }, Refused, 0, 0, "",
        "outside_link", Node::LinkToDevZero},
    // Links out of their folder, as a tar or zip can carry them, to files that would load.
    {"DataIsALinkOutOfItsFolder", DataTxt, [] { return QByteArray(); }, Refused, 0, 0, "",
        "outside_link", Node::LinkToBait, "outside/data.txt"},
    {"PictureIsALinkOutOfItsFolder", SakanaJpg, [] { return QByteArray(); }, "フォルダの外", 0, 0,
        "", "outside_link", Node::LinkToBait, "outside/x.jpg"},
    {"VoiceIsALinkOutOfItsFolder", SaWav, [] { return QByteArray(); }, "フォルダの外", 0, 0, "",
        "outside_link", Node::LinkToBait, "outside/x.wav"},
    {"PictureIsALinkInsideItsFolder", SakanaJpg, [] { return QByteArray(); }, "", 0, 0, "", nullptr,
        Node::LinkToBait, "pic/other.jpg"},
    // Names from the lesson that would reach out of their folder.
    {"LetterClimbsOutOfTheVoiceFolder", DataTxt, [] { return lesson(ClimbingLetter, Inu); }, "", 0,
        0, "", "unsafe_name", Node::File, "outside/x.wav"},
    {"LetterWithANulByte", DataTxt, [] { return lesson(LetterWithNul, Inu); }, "", 0, 0, "",
        "unsafe_name", Node::File, "voice/さ"},
    // ESC ] 0 ; sets a terminal's title, ESC [ 2 J clears it.
    {"LetterWithEscapeSequences", DataTxt,
        [] {
            return lesson(
                QStringLiteral(
                    "sakana,\x1B]0;pwned\a\x1B[2J,か,な,な,\x1B]0;pwned\a\x1B[2J,か,た,ま"),
                Inu);
        },
        "", 0, 0, "", "unsafe_name"},
    {"PictureNameClimbsOutOfThePictureFolder", DataTxt, lessonClimbingPicture, "使えない文字", 0, 0,
        "", "unsafe_name", Node::File, "outside/x.jpg"},
    // A word's picture; the 30000 × 30000 one is a small one whose frame header claims that size.
    {"PictureTruncatedJpeg", SakanaJpg, [] { return noiseJpeg().chopped(10'000); },
        "途中で切れています", 0, 0, "", "unreadable_picture"},
    {"PictureClaims30000By30000", SakanaJpg,
        [] { return noiseJpeg().replace(SmallFrame, HugeFrame); }, "大きすぎます"},
    {"PictureTextNamedJpg", SakanaJpg, [] { return QByteArray("これは写真ではありません\n"); },
        "画像ファイルではありません", 0, 0, "", "unreadable_picture"},
    {"PictureIsAFifo", SakanaJpg, [] { return QByteArray(); }, "ふつうのファイルではありません", 0,
        0, "", "unreadable_picture", Node::Fifo},
    {"PictureEmpty", SakanaJpg, [] { return QByteArray(); }, "空です", 0, 0, "",
        "unreadable_picture"},
    {"PictureClaims65535Wide", SakanaJpg,
        [] {
            return noiseJpeg().replace(
                SmallFrame, QByteArray("\xFF\xC0\0\x11\x08\0\x08\xFF\xFF", 9));
        },
        "大きすぎます", 0, 0, "", "unreadable_picture"},
    {"PictureGifNamedJpgOf8000By8000", SakanaJpg, hugeGif, "大きすぎます", 0, 0, "",
        "unreadable_picture"},
    // Every right answer shows the praise mark.
    {"PraiseMarkOfThreeThousandScans", Sugoi, scanBomb, "スキャンが多すぎます", 0, 0, "",
        "unreadable_picture"},
    {"PraiseMarkArithmeticOf40Megapixels", Sugoi, arithmeticForty, "時間がかかりすぎます", 0, 0, "",
        "unreadable_picture"},
    // The first letter's clip, and how long it really plays.
    {"VoiceTruncatedWav", SaWav, [] { return pcmWav(16, 22050, 1, 0.6).left(44 + 13230); }, "", 0.3,
        0, "", "unplayable_voice"},
    {"VoiceClaimsFourGigabytes", SaWav,
        [] { return pcmWav(16, 22050, 1, 0.2).replace(40, 4, QByteArray("\x00\xFF\xFF\xFF", 4)); },
        "", 0.2},
    {"VoiceTextNamedWav", SaWav, [] { return QByteArray("さ is a letter, not a sound\n"); }, "", 0,
        0, "", "unplayable_voice"},
    {"VoiceGenuineOneAndAHalfSeconds", SaWav, [] { return pcmWav(16, 22050, 1, 1.5); }, "", 1.5},
    {"VoiceEmpty", SaWav, [] { return QByteArray(); }, "", 0, 0, "", "unplayable_voice"},
    {"VoiceIsAFifo", SaWav, [] { return QByteArray(); }, "", 0, 0, "", "unplayable_voice",
        Node::Fifo},
    // 40,000 frames at 16 Hz: 80 KB that would take 42 minutes, converted to a gigabyte.
    {"VoiceSixteenHertz", SaWav, [] { return pcmWav(16, 16, 1, 2500); }, "", 0, 0, "",
        "unplayable_voice"},
    // ADPCM whose header hides how many frames its blocks decode to.
    {"VoiceImaAdpcmOfZeroFramesPerBlock", SaWav, [] { return imaAdpcm(0x11, QByteArray(2, 0)); },
        "ヘッダーがこわれています", 0, 0, "", "unplayable_voice"},
    {"VoiceExtensibleImaAdpcm", SaWav, [] { return imaAdpcm(0xFFFE, ExtensibleIma); },
        "ヘッダーがこわれています", 0, 0, "", "unplayable_voice"},
    {"VoiceImaAdpcmGenuine", SaWav, [] { return imaAdpcm(0x11, FramesPerBlock, 20); }, "",
        20 * 505 / 8000.0},
    {"VoiceGenuineTenMinutes", SaWav, [] { return pcmWav(16, 22050, 1, 600); },
        "長すぎます (600.0 秒)", 0, 0, "", "unplayable_voice"},
    // Data, pictures and a 0.3 s clip, all read through the folder's name.
    {"FolderJapaneseWithSpacesEndingInOne", SaWav, [] { return pcmWav(16, 22050, 1, 0.3); }, "",
        0.3, 0, "ひらがな の れんしゅう "},
};
INSTANTIATE_TEST_SUITE_P(Rows, Hostile, ::testing::ValuesIn(Cases), rowName);

// A field over 1 KiB is cut to its first 1 KiB, and pikomoji-check names each one.
TEST(OverlongField, IsCutToOneKibibyteAndTheCheckerReportsEachOne)
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("data/data.txt"), longLine());
    QByteArray out, err;
    LessonCheck::run({QStringLiteral("pikomoji-check"), QStringLiteral("--json"),
                         dir.filePath(QStringLiteral("data"))},
        out, err, mediaJudges());
    EXPECT_TRUE(out.contains('"' + QByteArray(1024, 'a') + '"'));
    EXPECT_TRUE(out.contains((u'"' + QString(512, u'あ') + u'"').toUtf8()))
        << "cut between letters";
    EXPECT_EQ(out.count("\"field_too_long\""), 5);
    writeFile(dir, QStringLiteral("data/data.txt"), QByteArray(1024, 'a') + ",a,b,c,d,e,f,g,h\r\n");
    out.clear();
    LessonCheck::run({"pikomoji-check", "--json", dir.filePath("data")}, out, err, mediaJudges());
    EXPECT_FALSE(out.contains("field_too_long")) << "1 KiB fits";
}
