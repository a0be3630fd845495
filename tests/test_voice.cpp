#include "lesson/audioclip.h"
#include "lesson/audiooutput.h"
#include "lesson/voice.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtEndian>
#include <QtMath>
#include <QtTest/QTest>

#include <SDL_audio.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

using namespace std::chrono_literals;
using Clock = AudioOutput::Clock;

namespace {

void put16(QByteArray &bytes, int value)
{
    char raw[2];
    qToLittleEndian<quint16>(quint16(value), raw);
    bytes.append(raw, 2);
}

void put32(QByteArray &bytes, quint32 value)
{
    char raw[4];
    qToLittleEndian<quint32>(value, raw);
    bytes.append(raw, 4);
}

// A WAV file as Windows writes it: RIFF, a fmt chunk (with its extension for the compressed
// formats), a data chunk. `claimedData` overrides the data chunk's length in its header.
struct Wav
{
    int tag = 1; // 1 PCM, 2 MS ADPCM, 3 float, 6 A-law, 7 µ-law, 0x11 IMA ADPCM
    int channels = 1;
    int rate = 48000;
    int bits = 16;
    int blockAlign = 2;
    QByteArray extension; // after the fmt chunk's size-of-extension field
    QByteArray data;
    std::optional<quint32> claimedData;

    QByteArray bytes() const
    {
        QByteArray fmt;
        put16(fmt, tag);
        put16(fmt, channels);
        put32(fmt, quint32(rate));
        put32(fmt, quint32(rate * blockAlign)); // close enough for the compressed formats
        put16(fmt, blockAlign);
        put16(fmt, bits);
        if (tag != 1) {
            put16(fmt, int(extension.size()));
            fmt += extension;
        }
        QByteArray file = "RIFF";
        put32(file, quint32(4 + 8 + fmt.size() + 8 + data.size()));
        file += "WAVEfmt ";
        put32(file, quint32(fmt.size()));
        file += fmt + "data";
        put32(file, claimedData.value_or(quint32(data.size())));
        return file + data;
    }
};

// `seconds` of a 440 Hz tone riding on an offset, so that no sample is silence.
QByteArray tone16(int rate, int channels, double seconds)
{
    QByteArray data;
    for (int i = 0; i < int(rate * seconds); ++i)
        for (int c = 0; c < channels; ++c)
            put16(data, 4000 + int(3000 * std::sin(2 * M_PI * 440 * i / rate)));
    return data;
}

Wav pcm16(int rate, int channels, double seconds)
{
    return Wav{1, channels, rate, 16, 2 * channels, {}, tone16(rate, channels, seconds), {}};
}

QByteArray repeated(int count, char byte)
{
    return QByteArray(count, byte);
}

Wav pcm(int bits, int rate, int channels, double seconds, int tag = 1)
{
    const int bytes = bits / 8;
    const int frames = int(rate * seconds);
    QByteArray data;
    for (int i = 0; i < frames * channels; ++i) {
        const double value = 0.3 + 0.2 * std::sin(i / 5.0);
        if (tag == 3) {
            float sample = float(value);
            data.append(reinterpret_cast<const char *>(&sample), 4);
        } else if (bits == 8) {
            data.append(char(128 + int(value * 100)));
        } else {
            const qint64 full = qint64(value * double(1LL << (bits - 1)));
            for (int b = 0; b < bytes; ++b)
                data.append(char(full >> (8 * b)));
        }
    }
    return Wav{tag, channels, rate, bits, bytes * channels, {}, data, {}};
}

Wav companded(int tag, int rate, int channels, double seconds)
{
    // 0x2A is a loud sample in both A-law and µ-law.
    return Wav{
        tag, channels, rate, 8, channels, {}, repeated(int(rate * seconds) * channels, 0x2A), {}};
}

// IMA ADPCM, mono: 256-byte blocks of a 4-byte header and 505 frames of nibbles.
Wav imaAdpcm(int rate, int blocks)
{
    QByteArray extension;
    put16(extension, 505);
    QByteArray data;
    for (int block = 0; block < blocks; ++block) {
        put16(data, 0); // first sample
        data += QByteArray("\x10\x00", 2); // step index, reserved
        data += repeated(252, 0x31);
    }
    return Wav{0x11, 1, rate, 4, 256, extension, data, {}};
}

// MS ADPCM, mono: 256-byte blocks of a 7-byte header and 500 frames, with the standard
// coefficient table.
Wav msAdpcm(int rate, int blocks)
{
    QByteArray extension;
    put16(extension, 500);
    put16(extension, 7);
    for (auto [a, b] :
        {std::pair{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}) {
        put16(extension, a);
        put16(extension, b);
    }
    QByteArray data;
    for (int block = 0; block < blocks; ++block) {
        data += char(1); // predictor
        put16(data, 64); // delta
        put16(data, 1000); // second sample
        put16(data, 900); // first sample
        data += repeated(249, 0x12);
    }
    return Wav{2, 1, rate, 4, 256, extension, data, {}};
}

AudioFormat deviceFormat()
{
    AudioOutput::instance().open();
    return AudioOutput::instance().format();
}

qint16 sampleAt(const QByteArray &samples, qsizetype index)
{
    return qFromLittleEndian<qint16>(samples.constData() + 2 * index);
}

bool anySound(const QByteArray &samples, quint16 format)
{
    if (format != AUDIO_S16SYS)
        return !samples.isEmpty();
    for (qsizetype i = 0; i < samples.size() / 2; ++i)
        if (sampleAt(samples, i) != 0)
            return true;
    return false;
}

struct FormatCase
{
    const char *name;
    std::function<Wav()> wav;
    double seconds;
};

class VoiceClipFormats : public ::testing::TestWithParam<FormatCase>
{
};

} // namespace

TEST_P(VoiceClipFormats, DecodeToTheDeviceFormatAtTheirOwnLength)
{
    const AudioFormat device = deviceFormat();
    ASSERT_GT(device.frameBytes, 0);
    const AudioClip clip = AudioClip::fromWav(GetParam().wav().bytes(), device);
    ASSERT_FALSE(clip.isNull());
    EXPECT_NEAR(double(clip.frames()), GetParam().seconds * device.rate, 0.01 * device.rate);
    EXPECT_EQ(clip.samples().size(), clip.frames() * device.frameBytes);
    EXPECT_TRUE(anySound(clip.samples(), device.sampleFormat));
}

INSTANTIATE_TEST_SUITE_P(EveryWavFormat, VoiceClipFormats,
    ::testing::Values(FormatCase{"Pcm8Mono11025", [] { return pcm(8, 11025, 1, 0.2); }, 0.2},
        FormatCase{"Pcm16Stereo44100", [] { return pcm16(44100, 2, 0.2); }, 0.2},
        FormatCase{"Pcm24Mono48000", [] { return pcm(24, 48000, 1, 0.2); }, 0.2},
        FormatCase{"Pcm32Stereo22050", [] { return pcm(32, 22050, 2, 0.2); }, 0.2},
        FormatCase{"FloatMono16000", [] { return pcm(32, 16000, 1, 0.2, 3); }, 0.2},
        FormatCase{"ALawMono8000", [] { return companded(6, 8000, 1, 0.2); }, 0.2},
        FormatCase{"MuLawStereo8000", [] { return companded(7, 8000, 2, 0.2); }, 0.2},
        FormatCase{"ImaAdpcmMono22050", [] { return imaAdpcm(22050, 10); }, 5050.0 / 22050},
        FormatCase{"MsAdpcmMono22050", [] { return msAdpcm(22050, 10); }, 5000.0 / 22050}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(VoiceClip, SixteenBitMonoAtTheDeviceRateArrivesSampleForSampleOnBothChannels)
{
    const AudioFormat device = deviceFormat();
    ASSERT_EQ(device.sampleFormat, AUDIO_S16SYS);
    ASSERT_EQ(device.channels, 2);
    const QByteArray tone = tone16(device.rate, 1, 0.05);
    const AudioClip clip = AudioClip::fromWav(pcm16(device.rate, 1, 0.05).bytes(), device);
    ASSERT_EQ(clip.frames(), tone.size() / 2);
    for (qsizetype i = 0; i < clip.frames(); ++i) {
        const int expected = sampleAt(tone, i);
        ASSERT_NEAR(sampleAt(clip.samples(), 2 * i), expected, 1) << "frame " << i;
        ASSERT_NEAR(sampleAt(clip.samples(), 2 * i + 1), expected, 1) << "frame " << i;
    }
}

TEST(VoiceClip, DamagedFilesGiveNothingOrWhatTheyHold)
{
    const AudioFormat device = deviceFormat();
    const QByteArray whole = pcm16(device.rate, 1, 0.2).bytes();

    Wav overclaimed = pcm16(device.rate, 1, 0.2);
    overclaimed.claimedData = 0xFFFFFFF0; // the header promises 12 hours
    EXPECT_EQ(AudioClip::fromWav(overclaimed.bytes(), device).frames(), qint64(0.2 * device.rate));

    const AudioClip cut = AudioClip::fromWav(whole.left(whole.size() / 2), device);
    EXPECT_NEAR(double(cut.frames()), 0.1 * device.rate, 0.01 * device.rate);

    for (const QByteArray &bad : {whole.left(30), QByteArray("this is not a sound\n"), QByteArray(),
             QByteArray("RIFF\x10\0\0\0AVI LIST", 16)})
        EXPECT_TRUE(AudioClip::fromWav(bad, device).isNull()) << bad.left(16).toHex().constData();
}

namespace {

// Plays real clips on the driver the test runs with (ctest sets SDL's dummy driver).
class VoicePlayback : public ::testing::Test
{
protected:
    QString clip(const QString &name, const Wav &wav)
    {
        return writeFile(m_dir, name, wav.bytes());
    }

    // Plays `path`; returns how long the call took.
    static std::chrono::milliseconds timedPlay(const QString &path)
    {
        const Clock::time_point start = Clock::now();
        Voice::play(path);
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    }

    QTemporaryDir m_dir;
};

std::chrono::milliseconds ms(Clock::duration duration)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(duration);
}

} // namespace

TEST_F(VoicePlayback, PlaysTheClipToItsEndBeforeReturning)
{
    const QString path = clip(QStringLiteral("あ.wav"), pcm16(22050, 1, 0.3));
    const Clock::time_point called = Clock::now();
    Voice::play(path);
    const Clock::time_point returned = Clock::now();

    const std::optional<AudioOutput::Times> heard = AudioOutput::instance().lastClip();
    ASSERT_TRUE(heard);
    EXPECT_GE(heard->firstSample, called);
    EXPECT_LT(ms(heard->firstSample - called), 100ms) << "the clip started late";
    EXPECT_NEAR(double(ms(heard->end - heard->firstSample).count()), 300, 30)
        << "not heard in full";
    EXPECT_GE(returned, heard->end) << "returned before the clip's end";
    EXPECT_LT(ms(returned - heard->end), 100ms) << "returned late";
}

TEST_F(VoicePlayback, ClipsPlayedOneAfterAnotherNeverOverlap)
{
    const QString first = clip(QStringLiteral("い.wav"), pcm16(48000, 1, 0.15));
    const QString second = clip(QStringLiteral("う.wav"), pcm16(11025, 2, 0.15));
    Voice::play(first);
    const AudioOutput::Times one = AudioOutput::instance().lastClip().value();
    Voice::play(second);
    const AudioOutput::Times two = AudioOutput::instance().lastClip().value();
    EXPECT_GE(two.firstSample, one.end);
    EXPECT_NEAR(double(ms(two.end - two.firstSample).count()), 150, 30);
}

TEST_F(VoicePlayback, ClipsThatCannotBePlayedReturnAtOnce)
{
    Wav overclaimed = pcm16(48000, 1, 0.1);
    overclaimed.claimedData = 48000 * 2 * 10; // ten seconds promised, a tenth held
    const struct
    {
        QString path;
        std::chrono::milliseconds within;
    } cases[] = {
        {m_dir.filePath(QStringLiteral("ない.wav")), 50ms},
        {m_dir.filePath(QStringLiteral(".wav")), 50ms}, // the clip of an empty letter field
        {writeFile(m_dir, QStringLiteral("text.wav"), "RIFF? no, a note\n"), 50ms},
        {writeFile(m_dir, QStringLiteral("cut.wav"), pcm16(48000, 1, 0.1).bytes().left(40)), 50ms},
        {m_dir.path(), 50ms}, // a folder
        {clip(QStringLiteral("long.wav"), overclaimed), 250ms}, // plays the tenth it holds
    };
    for (const auto &[path, within] : cases)
        EXPECT_LT(timedPlay(path), within) << qPrintable(path);
}

TEST_F(VoicePlayback, ClicksDuringAClipAreHandledAfterItInTheirOrder)
{
    const QString path = clip(QStringLiteral("え.wav"), pcm16(48000, 1, 0.3));
    QWidget window;
    auto *left = new QPushButton(QStringLiteral("ひだり"), &window);
    auto *right = new QPushButton(QStringLiteral("みぎ"), &window);
    right->move(100, 0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    bool playing = false;
    QStringList clicks;
    for (QPushButton *button : {left, right})
        QObject::connect(button, &QPushButton::clicked, button, [&, button] {
            clicks << (playing ? QStringLiteral("during ") : QString()) + button->text();
        });

    // One click posted the way the window system delivers it, one sent straight to the widget.
    QTimer::singleShot(50, left, [left] {
        const QPointF centre = QRectF(left->rect()).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(left,
                new QMouseEvent(type, centre, left->mapToGlobal(centre), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                    Qt::NoModifier));
    });
    QTimer::singleShot(100, right, [right] { QTest::mouseClick(right, Qt::LeftButton); });

    playing = true;
    const std::chrono::milliseconds took = timedPlay(path);
    playing = false;
    EXPECT_GE(took, 300ms);
    EXPECT_TRUE(clicks.isEmpty()) << qPrintable(clicks.join(u','));

    QTest::qWait(50);
    EXPECT_EQ(clicks, QStringList({QStringLiteral("ひだり"), QStringLiteral("みぎ")}));
}

TEST_F(VoicePlayback, PointerMovementDuringAClipCountsOnceWhereItCameToRest)
{
    // A letter box speaks whenever the pointer moves over it: every movement held during a clip
    // would make it speak again and again afterwards.
    class Box : public QWidget
    {
    public:
        QList<QPoint> moves;

    protected:
        void mouseMoveEvent(QMouseEvent *event) override { moves << event->position().toPoint(); }
    };
    Box box;
    box.setMouseTracking(true);
    box.resize(100, 100);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));

    QTimer::singleShot(50, &box, [&box] {
        for (int x = 10; x <= 90; x += 10)
            QCoreApplication::postEvent(&box,
                new QMouseEvent(QEvent::MouseMove, QPointF(x, 50), box.mapToGlobal(QPointF(x, 50)),
                    Qt::NoButton, Qt::NoButton, Qt::NoModifier));
    });
    Voice::play(clip(QStringLiteral("く.wav"), pcm16(48000, 1, 0.2)));
    EXPECT_TRUE(box.moves.isEmpty());
    QTest::qWait(50);
    EXPECT_EQ(box.moves, QList<QPoint>({QPoint(90, 50)}));
}

TEST_F(VoicePlayback, TheScreenKeepsPaintingDuringAClip)
{
    class Counter : public QWidget
    {
    public:
        int paints = 0;

    protected:
        void paintEvent(QPaintEvent *) override { ++paints; }
    };
    Counter counter;
    counter.resize(50, 50);
    counter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&counter));
    QTest::qWait(20);

    const int before = counter.paints;
    QTimer::singleShot(50, &counter, [&counter] { counter.update(); });
    Voice::play(clip(QStringLiteral("お.wav"), pcm16(48000, 1, 0.2)));
    EXPECT_GT(counter.paints, before);
}

TEST_F(VoicePlayback, AReplacedPlayerSeesTheClipsWithoutWaitingUntilRealPlaybackIsBack)
{
    const QString path = clip(QStringLiteral("か.wav"), pcm16(48000, 1, 0.2));
    QStringList asked;
    Voice::setPlayer([&asked](const QString &clip) { asked << clip; });
    EXPECT_LT(timedPlay(path), 20ms);
    Voice::play(QStringLiteral("/nowhere/き.wav"));
    Voice::setPlayer({});
    EXPECT_EQ(asked, QStringList({path, QStringLiteral("/nowhere/き.wav")}));
    EXPECT_GE(timedPlay(path), 200ms);
}

namespace {

// Reopens the sound output on another SDL driver for one test and on the usual one after it.
class VoiceOnDriver : public VoicePlayback
{
protected:
    void use(const QByteArray &driver)
    {
        AudioOutput::instance().close();
        qputenv("SDL_AUDIODRIVER", driver);
    }
    void TearDown() override
    {
        AudioOutput::instance().close();
        qputenv("SDL_AUDIODRIVER", m_driver);
        qunsetenv("SDL_DISKAUDIOFILE");
    }

    QByteArray m_driver = qgetenv("SDL_AUDIODRIVER");
};

} // namespace

TEST_F(VoiceOnDriver, TheDiskDriverRecordsTheClipsSamplesAndTheCallLastsAsLong)
{
    const QString output = m_dir.filePath(QStringLiteral("heard.raw"));
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));
    use("disk");
    ASSERT_TRUE(AudioOutput::instance().open());
    const AudioFormat device = AudioOutput::instance().format();
    ASSERT_EQ(device.sampleFormat, AUDIO_S16SYS);
    ASSERT_EQ(device.channels, 2);

    const QByteArray tone = tone16(device.rate, 1, 0.25);
    EXPECT_GE(timedPlay(clip(QStringLiteral("さ.wav"), pcm16(device.rate, 1, 0.25))), 250ms);
    AudioOutput::instance().close(); // flushes the file

    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray heard = file.readAll();
    // Silence, then the tone on both channels, then silence again.
    qsizetype first = 0;
    while (first < heard.size() / 4 && sampleAt(heard, 2 * first) == 0)
        ++first;
    const qsizetype frames = tone.size() / 2;
    ASSERT_LE((first + frames) * 4, heard.size()) << "the tone is not in the file";
    for (qsizetype i = 0; i < frames; ++i) {
        ASSERT_NEAR(sampleAt(heard, 2 * (first + i)), sampleAt(tone, i), 1) << "frame " << i;
        ASSERT_NEAR(sampleAt(heard, 2 * (first + i) + 1), sampleAt(tone, i), 1) << "frame " << i;
    }
    for (qsizetype i = first + frames; i < heard.size() / 4; ++i)
        ASSERT_EQ(sampleAt(heard, 2 * i), 0) << "sound after the clip, frame " << i;
}

TEST_F(VoiceOnDriver, WithoutSoundOutputClipsReturnAtOnceAndOneLineSaysSo)
{
    use("no-such-driver");
    const QString path = clip(QStringLiteral("た.wav"), pcm16(48000, 1, 0.2));
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i)
        EXPECT_LT(timedPlay(path), 50ms);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("no sound output"), std::string::npos) << said;
}
