#include "media/audioclip.h"
#include "media/audiooutput.h"
#include "media/voice.h"
#include "testsupport.h"

#include <QFile>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest/QTest>

#include <SDL_audio.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <tuple>

using namespace std::chrono;

// ADPCM, mono, five 256-byte blocks: IMA's of 505 frames, MS's of 500 with the usual coefficients.
const QByteArray Ima = wavFile(
    0x11, 1, 22050, 4, 256, (le16({0, 0x10}) + QByteArray(252, 0x31)).repeated(5), le16({505}));
const QByteArray Ms = wavFile(2, 1, 22050, 4, 256,
    (char(1) + le16({64, 1000, 900}) + QByteArray(249, 0x12)).repeated(5),
    le16({500, 7, 256, 0, 512, -256, 0, 0, 192, 64, 240, 0, 460, -208, 392, -232}));

// A row's name, its file, and how long that plays (s). Broken and hostile clips are rows of
// test_hostile.
using ClipCase = std::tuple<const char *, QByteArray, double>;

// Plays real clips on the driver ctest sets, SDL's dummy one.
class VoicePlayback : public ::testing::TestWithParam<ClipCase>
{
protected:
    QString clip(const QByteArray &bytes) { return writeFile(m_dir, "こえ.wav", bytes); }

    // How long Voice::play(`path`) took, and how long a clip was heard meanwhile (zero if none).
    static std::pair<milliseconds, milliseconds> timedPlay(const QString &path)
    {
        const auto start = AudioOutput::Clock::now();
        Voice::play(path);
        const auto took = floor<milliseconds>(AudioOutput::Clock::now() - start);
        const auto [first, end] = AudioOutput::instance().lastClip().value_or(AudioOutput::Times{});
        return {took, first < start ? 0ms : floor<milliseconds>(end - first)};
    }

    // Puts the sound output on another SDL driver.
    static void use(const QByteArray &driver)
    {
        AudioOutput::instance().close();
        qputenv("SDL_AUDIODRIVER", driver);
    }
    QTemporaryDir m_dir;
};

// Names the row in failure messages, instead of dumping its file.
void PrintTo(const ClipCase &row, std::ostream *os)
{
    *os << std::get<0>(row);
}

TEST_P(VoicePlayback, PlayConvertedForAsLongAsTheyHoldAndReturnAtTheirEnd)
{
    const auto &[name, bytes, seconds] = GetParam();
    const auto [took, heard] = timedPlay(clip(bytes));
    // Heard for as long as it holds: not cut (the clock of a busy machine only runs late).
    EXPECT_GE(double(heard.count()), seconds * 1000 * 0.9);
    // Returns at the clip's end, not when the device would be taken to have stalled (2 s later);
    // the margin is for a busy machine under sanitizers, not a latency goal.
    EXPECT_TRUE(heard <= took && took < heard + 1000ms) << took.count() << " ms to play it";
    const AudioFormat device = AudioOutput::instance().format();
    const QByteArray pcm = AudioClip::fromWav(bytes, device).samples();
    EXPECT_LT(pcm.count('\0'), pcm.size()) << "silenced";
    // Converted to the device's rate at the clip's own length, within a millisecond.
    EXPECT_NEAR(
        double(pcm.size() / device.frameBytes), seconds * device.rate, device.rate / 1000.0);
}

INSTANTIATE_TEST_SUITE_P(Files, VoicePlayback,
    ::testing::Values(ClipCase{"Pcm8Mono11025", pcmWav(8, 11025, 1, 0.1), 0.1},
        ClipCase{"Pcm16Stereo44100", pcmWav(16, 44100, 2, 0.1), 0.1},
        ClipCase{"Pcm24Mono48000", pcmWav(24, 48000, 1, 0.1), 0.1},
        ClipCase{"Pcm32Stereo22050", pcmWav(32, 22050, 2, 0.1), 0.1},
        ClipCase{"FloatMono16000", pcmWav(32, 16000, 1, 0.1, 3), 0.1},
        // 0x2A is a loud sample in both A-law and µ-law.
        ClipCase{"ALawMono8000", wavFile(6, 1, 8000, 8, 1, QByteArray(800, 0x2A)), 0.1},
        ClipCase{"MuLawStereo8000", wavFile(7, 2, 8000, 8, 2, QByteArray(1600, 0x2A)), 0.1},
        ClipCase{"ImaAdpcmMono22050", Ima, 5 * 505 / 22050.0},
        ClipCase{"MsAdpcmMono22050", Ms, 5 * 500 / 22050.0}),
    [](const auto &row) { return std::string(std::get<0>(row.param)); });

TEST_F(VoicePlayback, WithoutSoundOutputClipsReturnAtOnceAndOneLineSaysSo)
{
    const auto restore = qScopeGuard([usual = qgetenv("SDL_AUDIODRIVER")] { use(usual); });
    use("no-such-driver");
    testing::internal::CaptureStderr();
    // A minute of sound that would be waited for if it were played: the bound only tells
    // "at once" from that, whatever else the machine is doing.
    for (int i = 0; i < 3; ++i)
        EXPECT_LT(timedPlay(clip(pcmWav(16, 8000, 1, 60))).first, 5000ms);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said; // one line
    EXPECT_NE(said.find("no sound output"), std::string::npos) << said;
}

// Sound that goes away comes back. With SDL's disk driver the device is only taken to be lost;
// each opening of it writes a new file, so the file tells which device heard a clip.
class LostSound : public VoicePlayback
{
protected:
    void SetUp() override { qputenv("SDL_DISKAUDIOFILE", heardFile("first")); }
    void TearDown() override
    {
        use(m_usualDriver);
        AudioOutput::instance().setTuning({});
        qunsetenv("SDL_DISKAUDIOFILE");
    }
    QByteArray heardFile(const char *name) const
    {
        return QFile::encodeName(m_dir.filePath(QString::fromLatin1(name) + ".raw"));
    }
    QByteArray heard(const char *name)
    {
        QFile file(QFile::decodeName(heardFile(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A clip in the device's format, so that it reaches the device unchanged.
    QByteArray deviceWav(double seconds)
    {
        const AudioFormat device = AudioOutput::instance().format();
        return pcmWav(16, device.rate, device.channels, seconds);
    }
    // The program's own lines on standard error (SDL's disk driver adds its own).
    static int ownLines(const std::string &said)
    {
        return int(QByteArray::fromStdString("\n" + said).count("\npikomoji: "));
    }
    const QByteArray m_usualDriver = qgetenv("SDL_AUDIODRIVER");
};

TEST_F(LostSound, TheClipAfterTheDeviceIsLostPlaysOnANewOneAndOneLineSaysEach)
{
    use("disk");
    ASSERT_TRUE(AudioOutput::instance().open());
    const QByteArray one = deviceWav(0.1), two = deviceWav(0.1).replace(44, 4, "\x10\x20\x30\x40");
    timedPlay(clip(one));
    qputenv("SDL_DISKAUDIOFILE", heardFile("second"));
    AudioOutput::instance().simulateLoss();
    testing::internal::CaptureStderr();
    const auto took = timedPlay(clip(two)).first;
    timedPlay(clip(one)); // the new device keeps playing, quietly
    const std::string said = testing::internal::GetCapturedStderr();
    AudioOutput::instance().close(); // flushes the files
    EXPECT_GE(took, 100ms);
    EXPECT_LT(heard("first").indexOf(two.sliced(44)), 0) << "played on the lost device";
    const qsizetype at = heard("second").indexOf(two.sliced(44));
    EXPECT_GE(at, 0) << "not heard on the new device";
    EXPECT_GT(heard("second").indexOf(one.sliced(44), at), at);
    EXPECT_EQ(ownLines(said), 2) << said;
    EXPECT_NE(said.find("sound output lost"), std::string::npos) << said;
    EXPECT_NE(said.find("sound is back"), std::string::npos) << said;
}

TEST_F(LostSound, AnIdleDeviceIsLetGoAndTheNextClipOpensItAgainQuietly)
{
    use("disk");
    AudioOutput::instance().setTuning({.idleRelease = 100ms});
    ASSERT_TRUE(AudioOutput::instance().open());
    const QByteArray one = deviceWav(0.1);
    timedPlay(clip(one));
    EXPECT_TRUE(AudioOutput::instance().deviceOpen()) << "let go at once";
    QTest::qWait(1000);
    EXPECT_FALSE(AudioOutput::instance().deviceOpen()) << "still open, playing silence";
    qputenv("SDL_DISKAUDIOFILE", heardFile("second"));
    testing::internal::CaptureStderr();
    EXPECT_GE(timedPlay(clip(one)).second, 90ms);
    const std::string said = testing::internal::GetCapturedStderr();
    AudioOutput::instance().close();
    EXPECT_GE(heard("second").indexOf(one.sliced(44)), 0);
    EXPECT_EQ(ownLines(said), 0) << said;
}
