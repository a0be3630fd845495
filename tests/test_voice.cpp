#include "media/audioclip.h"
#include "media/audiooutput.h"
#include "media/voice.h"
#include "testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
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

// A row's name, its file, how long that plays (s), or instead the name of a file that is not there.
using ClipCase = std::tuple<const char *, QByteArray, double, const char *>;

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
    const auto &[name, bytes, seconds, missing] = GetParam();
    const auto [took, heard] = timedPlay(missing ? m_dir.filePath(missing) : clip(bytes));
    // Heard for as long as it holds: not cut (the clock of a busy machine only runs late).
    EXPECT_GE(double(heard.count()), seconds * 1000 * 0.9);
    // Returns at the clip's end, not when the device would be taken to have stalled (2 s later);
    // the margin is for a busy machine under sanitizers, not a latency goal.
    EXPECT_TRUE(heard <= took && took < heard + 1000ms) << took.count() << " ms to play it";
    const AudioFormat device = AudioOutput::instance().format();
    const QByteArray pcm = AudioClip::fromWav(bytes, device).samples();
    EXPECT_EQ(pcm.count('\0') < pcm.size(), seconds > 0) << "silenced, or made of nothing";
    // Converted to the device's rate at the clip's own length, within a millisecond.
    EXPECT_NEAR(double(pcm.size() / device.frameBytes), seconds * device.rate, device.rate / 1000.0);
}

INSTANTIATE_TEST_SUITE_P(Files, VoicePlayback,
    ::testing::Values(ClipCase{"Pcm8Mono11025", pcmWav(8, 11025, 1, 0.1), 0.1, nullptr},
        ClipCase{"Pcm16Stereo44100", pcmWav(16, 44100, 2, 0.1), 0.1, nullptr},
        ClipCase{"Pcm24Mono48000", pcmWav(24, 48000, 1, 0.1), 0.1, nullptr},
        ClipCase{"Pcm32Stereo22050", pcmWav(32, 22050, 2, 0.1), 0.1, nullptr},
        ClipCase{"FloatMono16000", pcmWav(32, 16000, 1, 0.1, 3), 0.1, nullptr},
        // 0x2A is a loud sample in both A-law and µ-law.
        ClipCase{"ALawMono8000", wavFile(6, 1, 8000, 8, 1, QByteArray(800, 0x2A)), 0.1, nullptr},
        ClipCase{
            "MuLawStereo8000", wavFile(7, 2, 8000, 8, 2, QByteArray(1600, 0x2A)), 0.1, nullptr},
        ClipCase{"ImaAdpcmMono22050", Ima, 5 * 505 / 22050.0, nullptr},
        ClipCase{"MsAdpcmMono22050", Ms, 5 * 500 / 22050.0, nullptr},
        ClipCase{"Missing", {}, 0, "ない.wav"},
        ClipCase{"EmptyName", {}, 0, ".wav"}, // the clip of an empty letter field
        ClipCase{"TextNamedWav", "RIFF? no, a note\n", 0, nullptr},
        ClipCase{"CutShort", pcmWav(16, 48000, 1, 0.2).first(44 + 9600), 0.1, nullptr},
        ClipCase{"ClaimsTwelveHours", pcmWav(16, 48000, 1, 0.1).replace(40, 4, "\xF0\xFF\xFF\xFF"),
            0.1, nullptr}), // the data chunk's length, at byte 40, says twelve hours
    [](const auto &info) { return std::string(std::get<0>(info.param)); });

TEST_F(VoicePlayback, AReplacedPlayerRecordsTheClipsWithoutPlayingThem)
{
    QStringList asked;
    Voice::setPlayer([&asked](const QString &clip) { asked << clip; });
    const QString path = clip(pcmWav(16, 48000, 1, 0.2));
    EXPECT_LT(timedPlay(path).first, 20ms);
    Voice::setPlayer({});
    EXPECT_EQ(asked, QStringList{path});
    EXPECT_NEAR(double(timedPlay(path).second.count()), 200, 30); // played again once restored
}

TEST_F(VoicePlayback, TheDiskDriverHearsEachClipWholeAndOneAfterTheOther)
{
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(m_dir.filePath("heard.raw")));
    const auto restore = qScopeGuard([usual = qgetenv("SDL_AUDIODRIVER")] { use(usual); });
    use("disk");
    ASSERT_TRUE(AudioOutput::instance().open());
    qunsetenv("SDL_DISKAUDIOFILE");
    const AudioFormat device = AudioOutput::instance().format();
    ASSERT_TRUE(
        device.sampleFormat == AUDIO_S16SYS && device.channels == 2 && device.rate == 48000);
    // In the device's format, so that they reach it unchanged.
    const QByteArray one = pcmWav(16, device.rate, 2, 0.25), two = pcmWav(16, device.rate, 2, 0.1);
    // Each call waits for its clip (a driver's clock may run a little fast, hence the 10 %).
    EXPECT_GE(timedPlay(clip(one)).first, 225ms);
    EXPECT_GE(timedPlay(clip(two)).first, 90ms);
    AudioOutput::instance().close(); // flushes the file
    QFile file(m_dir.filePath("heard.raw"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray heard = file.readAll();
    // Silence, the first clip's samples, silence, the second's: each whole, never overlapping.
    const qsizetype first = heard.indexOf(one.sliced(44));
    const qsizetype second = heard.indexOf(two.sliced(44), first + one.size() - 44);
    ASSERT_TRUE(first >= 0 && second >= 0) << "the clips are not in the file, in order";
    heard.remove(second, two.size() - 44).remove(first, one.size() - 44);
    EXPECT_EQ(heard.count('\0'), heard.size()) << "sound besides the clips";
}

TEST_F(VoicePlayback, WithoutSoundOutputClipsReturnAtOnceAndOneLineSaysSo)
{
    const auto restore = qScopeGuard([usual = qgetenv("SDL_AUDIODRIVER")] { use(usual); });
    use("no-such-driver");
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i)
        EXPECT_LT(timedPlay(clip(pcmWav(16, 48000, 1, 0.2))).first, 50ms);
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

// A PulseAudio server of the test's own: a null sink at 48 kHz, a socket in a folder of its own.
class PulseServer
{
public:
    explicit PulseServer(const QTemporaryDir &dir)
        : m_socket(dir.filePath("native"))
    {
        QFile config(dir.filePath("server.pa"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write("load-module module-null-sink sink_name=out rate=48000 channels=2 "
                     "format=s16le\nset-default-sink out\n"
                     "load-module module-native-protocol-unix auth-anonymous=1 socket="
            + QFile::encodeName(m_socket) + "\n");
        config.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH"})
            env.insert(name, dir.path());
        m_server.setProcessEnvironment(env);
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start("pulseaudio",
            {"-n", "-F", config.fileName(), "--daemonize=no", "--exit-idle-time=-1",
                "--use-pid-file=no", "--disable-shm=yes", "--log-level=error"});
        for (int i = 0; i < 200 && m_server.state() != QProcess::NotRunning; ++i) {
            if (QFile::exists(m_socket))
                return;
            QTest::qWait(50);
        }
    }
    ~PulseServer() { kill(); }
    bool running() const
    {
        return m_server.state() == QProcess::Running && QFile::exists(m_socket);
    }
    QByteArray address() const { return "unix:" + QFile::encodeName(m_socket); }
    void kill()
    {
        m_server.kill();
        m_server.waitForFinished();
        QFile::remove(m_socket);
    }

private:
    QString m_socket;
    QProcess m_server;
};

TEST_F(LostSound, AfterThePulseAudioServerRestartsTheNextClipIsHeardOnItsSink)
{
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty()
        || QStandardPaths::findExecutable("parec").isEmpty())
        GTEST_SKIP() << "needs pulseaudio and pulseaudio-utils (tools/dev installs them)";
    QTemporaryDir first, second;
    auto server = std::make_unique<PulseServer>(first);
    ASSERT_TRUE(server->running());
    const auto restore = qScopeGuard([] { qunsetenv("PULSE_SERVER"); });
    qputenv("PULSE_SERVER", server->address());
    use("pulseaudio");
    AudioOutput::instance().setTuning({.idleRelease = 60s}); // still open when the server goes
    ASSERT_TRUE(AudioOutput::instance().open());
    ASSERT_EQ(AudioOutput::instance().format().rate, 48000);
    const QByteArray one = deviceWav(0.1), two = deviceWav(0.2).replace(44, 4, "\x10\x20\x30\x40");
    timedPlay(clip(one));

    server.reset(); // killed, as a crash would
    server = std::make_unique<PulseServer>(second);
    ASSERT_TRUE(server->running());
    qputenv("PULSE_SERVER", server->address());
    QProcess recorder; // the sink as heard
    recorder.setStandardOutputFile(m_dir.filePath("sink.raw"));
    recorder.start(
        "parec", {"-d", "out.monitor", "--raw", "--format=s16le", "--rate=48000", "--channels=2"});
    for (int i = 0; i < 200 && QFileInfo(m_dir.filePath("sink.raw")).size() == 0; ++i)
        QTest::qWait(50);
    testing::internal::CaptureStderr();
    timedPlay(clip(two));
    QTest::qWait(300); // the sink's monitor reaches the recorder
    const std::string said = testing::internal::GetCapturedStderr();
    recorder.kill();
    recorder.waitForFinished();
    AudioOutput::instance().close();
    QFile sink(m_dir.filePath("sink.raw"));
    ASSERT_TRUE(sink.open(QIODevice::ReadOnly));
    EXPECT_GE(sink.readAll().indexOf(two.sliced(44)), 0) << "the clip did not reach the sink";
    EXPECT_NE(said.find("sound output lost"), std::string::npos) << said;
    EXPECT_NE(said.find("sound is back"), std::string::npos) << said;
}
