// Lessons, pictures, clips and folders as a careless download or a damaged memory card leaves
// them, played through the real screens: no crash, a clear message where one is due, and the
// child's quiz goes on with every mark kept.

#include "core/module1.h"
#include "lesson/lessoncheck.h"
#include "media/audioclip.h"
#include "media/audiooutput.h"
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
#include <QRandomGenerator>
#include <QTest>

#include <functional>

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

#if defined(__SANITIZE_ADDRESS__) // time limits allow for the sanitizer build's slowness
constexpr double Slowdown = 5;
#else
constexpr double Slowdown = 1;
#endif

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

// One line of 10 MB: a picture name and four letters of 2 MB each, and three short ones.
QByteArray tenMegabyteLine()
{
    const QByteArray a = shiftJis(QString(1'000'000, u'あ')),
                     i = shiftJis(QString(1'000'000, u'い'));
    return QByteArray(2'000'000, 'a') + ',' + a + ',' + i + ",," + a + ',' + i + ",か,た,ま\r\n";
}

// data.txt of these rows, in Shift-JIS with CR LF line ends.
template <typename... Rows> QByteArray lesson(const Rows &...rows)
{
    return shiftJis((QString() + ... + (rows + QStringLiteral("\r\n"))));
}

// One file of the starter-sized lesson replaced, and what the child should meet because of it.
struct Case
{
    const char *name;
    const char *file; // under the lesson folder
    QByteArray (*bytes)();
    const char *says = ""; // the menu's message, or why a picture cannot be read
    double seconds = 0; // how long the first right answer's clip lasts: what its file holds
    qint64 padTo = 0; // the file padded to this size with a hole of zero bytes
    const char *folder = ""; // the folder the whole lesson is then moved into
    friend void PrintTo(const Case &row, std::ostream *os) { *os << row.name; }
};
const auto rowName = [](const auto &info) { return std::string(info.param.name); };
const char *const DataTxt = "data/data.txt";
const char *const SakanaJpg = "pic/sakana.jpg";
const char *const SaWav = "voice/さ.wav";
const qint64 Huge = 100 << 20;
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
    if (row.padTo)
        ASSERT_TRUE(QFile(path).resize(row.padTo));
    const QString folder = m_folder + QString::fromUtf8(row.folder);
    QDir().mkpath(folder);
    for (const QString sub : {"/data", "/pic", "/voice"})
        QDir().rename(m_folder + sub, folder + sub);

    Form3 &menu = openMenu();
    deriveFolders(folder);
    const double start = millisecondsOf([&] { QTest::mouseClick(menu.Command1, Qt::LeftButton); });
    EXPECT_LT(start, 1000 * Slowdown) << "はじめる took " << start << " ms";
    const QList<MessageBoxWatcher::Box> &boxes = m_watcher.boxes;
    if (row.says == Refused) {
        EXPECT_TRUE(boxes.size() == 1 && boxes[0].text == QString::fromUtf8(Refused));
        EXPECT_TRUE(menu.isVisible() && !Screens::form1Loaded());
        return;
    }
    ASSERT_TRUE(Screens::form1Loaded());
    EXPECT_LE(quiz().Label1[0]->text().size(), 1024) << "a field is never megabytes long";
    if (!file.startsWith("data/"))
        EXPECT_EQ(quiz().Image1->picture().isNull(), file.startsWith("pic/"));

    Voice::setPlayer({}); // real playback on SDL's dummy driver, which keeps a sound card's pace
    const bool sound = AudioOutput::instance().open();
    const double seconds = millisecondsOf([&] { clickLetterButton(1); }) / 1000; // さ, かな next
    EXPECT_TRUE(!sound || seconds > row.seconds - 0.05) << "the clip lasted " << seconds << " s";
    EXPECT_LT(seconds, (row.seconds + 0.5) * Slowdown);
    clickLetterButton(2);
    clickLetterButton(0);
    const QString placed = marks();
    for (int word = 0; word < 2; ++word) { // a press on the next word, then on the first again
        clickNext();
        clickLetterButton(3);
    }
    EXPECT_EQ(marks().left(placed.size()), placed) << "marks are kept across もんだい";
    EXPECT_EQ(marks().size(), placed.size() + 2);
    if (!file.startsWith("data/")) {
        EXPECT_EQ(marks(), QStringLiteral("+++--"));
        EXPECT_EQ(boxes.size(), file.startsWith("pic/") ? 1 : 0);
    }
    const QString named = file.startsWith("pic/") ? QStringLiteral("sakana.jpg") : QString();
    for (const MessageBoxWatcher::Box &box : boxes)
        EXPECT_TRUE(box.text.contains(QStringLiteral("画像ファイルが読み込めません"))
            && box.text.contains(QString::fromUtf8(row.says)) && box.text.contains(named))
            << box.text.toStdString();
}

const Case Cases[] = {
    // A damaged data.txt. The 100 MB ones are zeros after the words: one more field, so two words
    // end inside a row, and nothing after twenty is read.
    {"DataBinaryGarbage", DataTxt, [] { return noiseJpeg(); }},
    {"DataOneTenMegabyteLine", DataTxt, tenMegabyteLine},
    {"DataNulBytes", DataTxt, [] { return lesson(WithNuls, Inu); }},
    {"DataUnterminatedQuote", DataTxt, [] { return lesson(Inu, Unterminated, Inu); }, Refused},
    // A lead byte with no trail byte, a byte no letter starts with, a pair naming no letter.
    {"DataInvalidShiftJis", DataTxt, [] { return InvalidShiftJis + lesson(Inu); }},
    {"DataHundredMegabytesAfterTwoWords", DataTxt, [] { return lesson(Sakana, Inu); }, Refused, 0,
        Huge},
    {"DataHundredMegabytesAfterTwentyWords", DataTxt,
        [] { return lesson(QStringList(20, Sakana).join(QStringLiteral("\r\n"))); }, "", 0, Huge},
    // A word's picture; the 30000 × 30000 one is a small one whose frame header claims that size.
    {"PictureTruncatedJpeg", SakanaJpg, [] { return noiseJpeg().chopped(10'000); },
        "途中で切れています"},
    {"PictureClaims30000By30000", SakanaJpg,
        [] { return noiseJpeg().replace(SmallFrame, HugeFrame); }, "大きすぎます"},
    {"PictureTextNamedJpg", SakanaJpg, [] { return QByteArray("これは写真ではありません\n"); },
        "画像ファイルではありません"},
    // The first letter's clip, and how long it really plays.
    {"VoiceTruncatedWav", SaWav, [] { return pcmWav(16, 22050, 1, 0.6).left(44 + 13230); }, "",
        0.3},
    {"VoiceClaimsFourGigabytes", SaWav,
        [] { return pcmWav(16, 22050, 1, 0.2).replace(40, 4, QByteArray("\x00\xFF\xFF\xFF", 4)); },
        "", 0.2},
    {"VoiceTextNamedWav", SaWav, [] { return QByteArray("さ is a letter, not a sound\n"); }},
    {"VoiceGenuineOneAndAHalfSeconds", SaWav, [] { return pcmWav(16, 22050, 1, 1.5); }, "", 1.5},
    // Data, pictures and a 0.3 s clip, all read through the folder's name.
    {"FolderWithSpaces", SaWav, [] { return pcmWav(16, 22050, 1, 0.3); }, "", 0.3, 0,
        "with spaces in it"},
    {"FolderJapanese", SaWav, [] { return pcmWav(16, 22050, 1, 0.3); }, "", 0.3, 0,
        "ひらがなのれんしゅう"},
    {"FolderEndingInASpace", SaWav, [] { return pcmWav(16, 22050, 1, 0.3); }, "", 0.3, 0,
        "ends in a space "},
};
INSTANTIATE_TEST_SUITE_P(Rows, Hostile, ::testing::ValuesIn(Cases), rowName);

// A field over 1 KiB is cut to its first 1 KiB, and pikomoji-check names each one.
TEST(OverlongField, IsCutToOneKibibyteAndTheCheckerReportsEachOne)
{
    QTemporaryDir dir;
    writeFile(dir, QStringLiteral("data/data.txt"), tenMegabyteLine());
    QByteArray out, err;
    LessonCheck::run({QStringLiteral("pikomoji-check"), QStringLiteral("--json"),
                         dir.filePath(QStringLiteral("data"))},
        out, err);
    EXPECT_TRUE(out.contains('"' + QByteArray(1024, 'a') + '"'));
    EXPECT_TRUE(out.contains((u'"' + QString(512, u'あ') + u'"').toUtf8()))
        << "cut between letters";
    EXPECT_EQ(out.count("\"field_too_long\""), 5);
}

// Ten minutes would hold the test for ten minutes, so it is decoded as play() decodes it.
TEST(LongVoiceClip, TenMinutesDecodeQuicklyToSixHundredSeconds)
{
    AudioOutput &output = AudioOutput::instance();
    if (!output.open())
        GTEST_SKIP() << "no sound device, not even SDL's dummy driver";
    const QByteArray file = pcmWav(16, 22050, 1, 600);
    AudioClip clip;
    const double ms = millisecondsOf([&] { clip = AudioClip::fromWav(file, output.format()); });
    EXPECT_NEAR(double(clip.frames()) / output.format().rate, 600.0, 0.01);
    EXPECT_LT(ms, 2000 * Slowdown) << "decoding took " << ms << " ms";
}
