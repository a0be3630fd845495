// A click on a right answer to the first sample of its clip handed to the sound device (SDL's
// dummy driver unless SDL_AUDIODRIVER names another), beside Voice::play() called directly with
// the same clip. The device takes samples every 20 ms, so each click comes at a different moment
// of that cycle, as a child's would.
//   bench_clicktoclip --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include "core/module1.h"
#include "media/audiooutput.h"
#include "media/voice.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "widgets/inkwidgets.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QtEndian>
#include <QtMath>

#include <benchmark/benchmark.h>

#include <thread>

namespace {
using Clock = AudioOutput::Clock;

// め.wav, 0.2 s at 22050 Hz mono 16-bit as the starter lesson's clips are, and a one-letter word
// whose right answer is its third button.
QString lessonFolder()
{
    static QTemporaryDir dir;
    static const bool written = [] {
        QDir().mkpath(dir.filePath(QStringLiteral("voice")));
        QDir().mkpath(dir.filePath(QStringLiteral("pic")));
        QDir().mkpath(dir.filePath(QStringLiteral("data")));
        constexpr int Rate = 22050, Frames = Rate / 5;
        QByteArray wav(44 + Frames * 2, '\0');
        char *d = wav.data();
        std::memcpy(d, "RIFF", 4);
        qToLittleEndian<quint32>(quint32(wav.size() - 8), d + 4);
        std::memcpy(d + 8, "WAVEfmt ", 8);
        qToLittleEndian<quint32>(16, d + 16);
        qToLittleEndian<quint16>(1, d + 20);
        qToLittleEndian<quint16>(1, d + 22);
        qToLittleEndian<quint32>(Rate, d + 24);
        qToLittleEndian<quint32>(Rate * 2, d + 28);
        qToLittleEndian<quint16>(2, d + 32);
        qToLittleEndian<quint16>(16, d + 34);
        std::memcpy(d + 36, "data", 4);
        qToLittleEndian<quint32>(Frames * 2, d + 40);
        for (int i = 0; i < Frames; ++i)
            qToLittleEndian<qint16>(qint16(3000 * qSin(i * 0.05)), d + 44 + i * 2);
        QFile clip(dir.filePath(QStringLiteral("voice/め.wav")));
        clip.open(QIODevice::WriteOnly);
        clip.write(wav);
        QImage picture(153, 153, QImage::Format_RGB32);
        picture.fill(Qt::cyan);
        for (const char *name : {"me", "すごい", "しっかり"})
            picture.save(
                dir.filePath(QStringLiteral("pic/%1.jpg").arg(QString::fromUtf8(name))), "JPEG");
        QFile lesson(dir.filePath(QStringLiteral("data/data.txt")));
        lesson.open(QIODevice::WriteOnly);
        lesson.write(QStringLiteral("me,め,,,の,あ,め,ぬ,ね\r\n").toUtf8());
        return true;
    }();
    Q_UNUSED(written);
    return dir.path();
}

void useDummyDriverUnlessTold()
{
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
}

// Waits a different part of the device's 20 ms cycle before each timed call (not counted).
void waitSomeOfACycle(quint32 &phase)
{
    phase = phase * 1664525u + 1013904223u;
    std::this_thread::sleep_for(std::chrono::microseconds(phase >> 8) % 20000);
}

template <typename Action> bool timeToFirstSample(benchmark::State &state, Action action)
{
    const Clock::time_point called = Clock::now();
    action();
    const std::optional<AudioOutput::Times> times = AudioOutput::instance().lastClip();
    if (!times || times->firstSample < called) {
        state.SkipWithError("the clip was not played: no sound output?");
        return false;
    }
    state.SetIterationTime(std::chrono::duration<double>(times->firstSample - called).count());
    return true;
}

void BM_ClickToFirstSample(benchmark::State &state)
{
    useDummyDriverUnlessTold();
    Form3 &menu = Screens::form3();
    Module1::deriveFolders(lessonFolder());
    menu.show();
    QTest::mouseClick(menu.Command1, Qt::LeftButton);
    Form1 &quiz = Screens::form1();
    Voice::play(Module1::filePath(
        Module1::Folders.VoiceFolder, QStringLiteral("め.wav"))); // opens the device
    quint32 phase = 1;
    for (auto _ : state) {
        waitSomeOfACycle(phase);
        if (!timeToFirstSample(state, [&] { QTest::mouseClick(quiz.Command1[2], Qt::LeftButton); }))
            break;
        QTest::mouseClick(
            quiz.Command2, Qt::LeftButton); // もんだい: the same word again, not timed
    }
    QTest::mouseClick(quiz.Command3, Qt::LeftButton);
    Screens::unloadAll(); // the screens go before the application object does
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_PlayToFirstSample(benchmark::State &state)
{
    useDummyDriverUnlessTold();
    const QString clip = lessonFolder() + QStringLiteral("/voice/め.wav");
    Voice::play(clip);
    quint32 phase = 1;
    for (auto _ : state) {
        waitSomeOfACycle(phase);
        if (!timeToFirstSample(state, [&] { Voice::play(clip); }))
            break;
    }
}

} // namespace

BENCHMARK(BM_ClickToFirstSample)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_PlayToFirstSample)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
