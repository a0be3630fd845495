// How quickly a voice clip starts and how closely play() returns after the clip's end, with SDL's
// dummy driver (set unless SDL_AUDIODRIVER names another), beside the clip's own length waited
// out on the same clock.
//   bench_voice --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include "media/audiooutput.h"
#include "media/voice.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtMath>

#include <benchmark/benchmark.h>

#include <thread>

namespace {
using Clock = AudioOutput::Clock;

// A clip as long as one spoken kana: 0.4 s of 16-bit mono at 44.1 kHz, so the device resamples.
constexpr int ClipRate = 44100;
constexpr int ClipFrames = ClipRate * 2 / 5;
constexpr auto ClipLength = std::chrono::microseconds(qint64(ClipFrames) * 1'000'000 / ClipRate);

QString clipPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        QByteArray samples(ClipFrames * 2, Qt::Uninitialized);
        for (int i = 0; i < ClipFrames; ++i)
            qToLittleEndian<qint16>(
                qint16(8000 * std::sin(2 * M_PI * 440 * i / ClipRate)), samples.data() + 2 * i);
        QByteArray wav = "RIFF";
        const auto put = [&wav](quint32 value, int bytes) {
            for (int b = 0; b < bytes; ++b)
                wav += char(value >> (8 * b));
        };
        put(36 + samples.size(), 4);
        wav += "WAVEfmt ";
        put(16, 4);
        put(1, 2); // PCM
        put(1, 2); // mono
        put(ClipRate, 4);
        put(ClipRate * 2, 4);
        put(2, 2);
        put(16, 2);
        wav += "data";
        put(samples.size(), 4);
        wav += samples;
        QFile file(dir.filePath(QStringLiteral("あ.wav")));
        if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size())
            qFatal("cannot write the benchmark's clip");
        return file.fileName();
    }();
    return path;
}

double milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

void useDummyDriverUnlessTold()
{
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
}

// The baseline: the clip's length waited out with the same clock.
void BM_ClipLength(benchmark::State &state)
{
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        std::this_thread::sleep_until(start + ClipLength);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

// One Voice::play(). start_ms: the call to the first sample handed to the device; heard_ms: the
// first sample to the last one played, on the device's timeline; end_ms: that end to the return.
void playAndMeasure(benchmark::State &state, bool freshDevice)
{
    useDummyDriverUnlessTold();
    const QString path = clipPath();
    double start = 0, heard = 0, end = 0;
    quint32 phase = 1;
    for (auto _ : state) {
        if (freshDevice)
            AudioOutput::instance().close();
        // A child clicks at any moment of the device's 20 ms buffer cycle, not just as the last
        // clip ended, so each call waits a different while first (not counted).
        phase = phase * 1664525u + 1013904223u;
        std::this_thread::sleep_for(std::chrono::microseconds(phase >> 8) % 20000);
        const Clock::time_point called = Clock::now();
        Voice::play(path);
        const Clock::time_point returned = Clock::now();
        const std::optional<AudioOutput::Times> times = AudioOutput::instance().lastClip();
        if (!times || times->firstSample < called) {
            state.SkipWithError("the clip was not played: no sound output?");
            break;
        }
        start += milliseconds(times->firstSample - called);
        heard += milliseconds(times->end - times->firstSample);
        end += milliseconds(returned - times->end);
        state.SetIterationTime(std::chrono::duration<double>(returned - called).count());
    }
    state.counters["start_ms"] = benchmark::Counter(start, benchmark::Counter::kAvgIterations);
    state.counters["heard_ms"] = benchmark::Counter(heard, benchmark::Counter::kAvgIterations);
    state.counters["end_ms"] = benchmark::Counter(end, benchmark::Counter::kAvgIterations);
}

void BM_VoicePlay(benchmark::State &state)
{
    playAndMeasure(state, false);
}
// The first clip of a run, which opens the device on its way.
void BM_VoicePlayOpeningTheDevice(benchmark::State &state)
{
    playAndMeasure(state, true);
}

} // namespace

BENCHMARK(BM_ClipLength)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_VoicePlay)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_VoicePlayOpeningTheDevice)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
