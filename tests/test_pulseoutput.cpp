#include "media/audiooutput.h"
#include "media/pulsebackend.h"
#include "media/voice.h"
#include "testsupport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/prctl.h>

using namespace std::chrono;

// The sound output on a PulseAudio server of the test's own: a null sink whose monitor is
// recorded, so that what the server played can be compared with what was asked for.
class PulseOutput : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())
            return;
        s_dir = new QTemporaryDir;
        writeFile(*s_dir, "server.pa",
            "load-module module-null-sink sink_name=out rate=48000 channels=2 format=s16le\n"
            "set-default-sink out\n"
            "load-module module-native-protocol-unix auth-anonymous=1 socket="
                + QFile::encodeName(s_dir->filePath("native")) + "\n");
        qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(s_dir->filePath("native")));
        startServer();
    }
    static void TearDownTestSuite()
    {
        AudioOutput::instance().close();
        if (s_server) {
            s_server->terminate();
            s_server->waitForFinished();
        }
        delete s_server;
        delete s_dir;
        qunsetenv("PULSE_SERVER");
    }
    // As root too (CI): in user mode, with its runtime folder and home in the test's folder.
    static void startServer()
    {
        delete s_server;
        s_server = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH"})
            env.insert(QString::fromLatin1(name), s_dir->path());
        s_server->setProcessEnvironment(env);
        // A test killed midway takes its server with it.
        s_server->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        s_server->start(QStringLiteral("pulseaudio"),
            {"-n", "-F", s_dir->filePath("server.pa"), "--daemonize=no", "--exit-idle-time=-1",
                "--use-pid-file=no", "--log-target=stderr"});
        // Up once the sink's monitor can be recorded; the hang guard is ten times a slow start.
        for (int i = 0; i < 100 && !QFile::exists(s_dir->filePath("native")); ++i)
            QTest::qWait(100);
    }

    void SetUp() override
    {
        if (!s_dir)
            GTEST_SKIP() << "needs pulseaudio and parec (packages pulseaudio, pulseaudio-utils)";
        qunsetenv("SDL_AUDIODRIVER"); // the test runner chooses SDL's dummy driver
        AudioOutput::instance().close();
        AudioOutput::instance().setTuning({.idleRelease = milliseconds(100)});
        ASSERT_TRUE(AudioOutput::instance().open());
        ASSERT_TRUE(dynamic_cast<PulseBackend *>(AudioOutput::instance().backend()))
            << "the server answers, yet the output is not libpulse's";
        startRecording();
    }
    void TearDown() override
    {
        AudioOutput::instance().close();
        AudioOutput::instance().setTuning({});
        qputenv("SDL_AUDIODRIVER", "dummy");
        m_recorder.kill();
        m_recorder.waitForFinished();
    }

    void startRecording()
    {
        m_recorder.kill();
        m_recorder.waitForFinished();
        m_recorder.start(QStringLiteral("parec"),
            {"-d", "out.monitor", "--raw", "--format=s16le", "--rate=48000", "--channels=2",
                "--latency-msec=5"});
        m_heard.clear();
        for (int i = 0; i < 100 && m_recorder.bytesAvailable() == 0; ++i)
            QTest::qWait(100);
    }
    // How often the sink played `pcm` whole, once it has `times` times or the recorder has had
    // ten times as long as it needs to hear it on a busy machine.
    qsizetype heard(const QByteArray &pcm, qsizetype times)
    {
        for (int i = 0; i < 100 && m_heard.count(pcm) < times; ++i) {
            QTest::qWait(50);
            m_heard += m_recorder.readAllStandardOutput();
        }
        return m_heard.count(pcm);
    }
    // Samples in the device's format that are never silent and differ from every other clip's.
    static QByteArray samples(int seed, double seconds)
    {
        const AudioFormat format = AudioOutput::instance().format();
        QByteArray pcm(qsizetype(seconds * format.rate) * format.frameBytes, '\0');
        auto *s = reinterpret_cast<qint16 *>(pcm.data());
        for (qsizetype i = 0; i < pcm.size() / 2; ++i)
            s[i] = qint16(1000 * seed + (i * 37 + seed) % 997 + 1);
        return pcm;
    }
    // Plays through the program's own Voice::play, as a click would.
    QString clip(const QByteArray &pcm)
    {
        const AudioFormat format = AudioOutput::instance().format();
        return writeFile(m_dir, "こえ.wav",
            wavFile(1, format.channels, format.rate, 16, format.frameBytes, pcm));
    }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline QProcess *s_server = nullptr;
    QProcess m_recorder;
    QByteArray m_heard;
    QTemporaryDir m_dir;
};

TEST_F(PulseOutput, ClipsQueuedBackToBackPlayWholeInOrderAndTheStreamIsCorkedAfter)
{
    ASSERT_EQ(AudioOutput::instance().format().sampleFormat, 0x8010) << "s16le, as the sink";
    auto *backend = static_cast<PulseBackend *>(AudioOutput::instance().backend());
    const QByteArray one = samples(1, 0.2), two = samples(2, 0.1);
    AudioOutput &output = AudioOutput::instance();
    const quint64 first = output.queue(one), second = output.queue(two);
    for (int i = 0; i < 500 && !(output.times(first) && output.times(second)); ++i)
        QTest::qWait(10);
    ASSERT_TRUE(output.times(first) && output.times(second)) << "never ended";
    output.release(first);
    output.release(second);
    EXPECT_TRUE(backend->corked()) << "left running while nothing plays";
    QTest::qWait(300); // three idle seconds, as this test tunes them
    EXPECT_TRUE(output.deviceOpen()) << "let go, when PipeWire takes tens of ms to link a new one";
    EXPECT_TRUE(backend->corked());
    ASSERT_EQ(heard(one + two, 1), 1) << "not heard whole, in order, one right behind the other";
}

TEST_F(PulseOutput, PlayReturnsOnlyOnceTheSinkHasPlayedTheLastFrame)
{
    // Closing the stream at once drops whatever it still held: a return a buffer early cuts
    // the tail off what the sink played.
    const QByteArray pcm = samples(3, 0.25);
    for (int i = 0; i < 3; ++i) {
        Voice::play(clip(pcm));
        AudioOutput::instance().close();
        ASSERT_TRUE(AudioOutput::instance().open());
        EXPECT_EQ(heard(pcm, i + 1), i + 1) << "clip " << i << " cut short";
    }
}

TEST_F(PulseOutput, AServerThatRestartsIsSaidToBeLostAndTheNextClipPlaysOnTheNewOne)
{
    const QByteArray pcm = samples(4, 0.1);
    Voice::play(clip(pcm));
    s_server->terminate();
    s_server->waitForFinished();
    QFile::remove(s_dir->filePath("native"));
    startServer();
    startRecording();
    testing::internal::CaptureStderr();
    Voice::play(clip(pcm)); // noticed here, then played on the new server
    Voice::play(clip(pcm));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(heard(pcm, 2), 2);
    EXPECT_EQ(QByteArray::fromStdString(said).count("pikomoji: "), 2) << said;
    EXPECT_NE(said.find("sound output lost"), std::string::npos) << said;
    EXPECT_NE(said.find("sound is back (pulseaudio)"), std::string::npos) << said;
}
