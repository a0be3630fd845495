// Plays voice clips through Voice::play, as a child's clicks would, while its standard input
// receives the sound server's sink as heard (parec of the sink's monitor, raw s16le stereo at the
// device's rate), then finds each clip in that recording and prints what was heard. Run by
// bench/sound-server, which starts the server and the recorder.
//   parec ... | bench_sinkdriver CLIPS IDLE_SECONDS
//                   [BUFFER_FRAMES REALTIME IDLE_RELEASE_MS [sdl|server [TARGET_MS]]]
// The next three replace SDL's device settings (REALTIME 0 or 1; IDLE_RELEASE_MS 0: never let go),
// "sdl" plays through SDL's device even where the sound server answers, so that the script can
// measure the program as it was beside it as it is, and TARGET_MS replaces the libpulse stream's
// target length.
// Every clip is different noise on a tone, so each is found by exact match against SDL's own
// conversion of it. The recording's timeline is put on the program's clock from the moments its
// bytes arrive: a frame was played no later than any read that brought it or a later one, less
// the frames between.
// Output: "key value" lines, and one "clip" line per clip found (click to sink ms, silence inside
// it ms, cut tail, overlap, return after its end ms, after a pause, corrupt), which the script
// gathers over several runs into a table.
#include "media/audioclip.h"
#include "media/audiooutput.h"
#include "media/sdlbackend.h"
#include "media/voice.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>

#include <SDL_audio.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/syscall.h>
#include <unistd.h>

namespace {
using Clock = AudioOutput::Clock;
using namespace std::chrono;

constexpr int ClipMs = 300;

QByteArray clipWav(int index, int rate)
{
    const int frames = rate * ClipMs / 1000;
    QByteArray wav(44 + frames * 4, '\0');
    char *d = wav.data();
    std::memcpy(d, "RIFF", 4);
    qToLittleEndian<quint32>(quint32(wav.size() - 8), d + 4);
    std::memcpy(d + 8, "WAVEfmt ", 8);
    qToLittleEndian<quint32>(16, d + 16);
    qToLittleEndian<quint16>(1, d + 20);
    qToLittleEndian<quint16>(2, d + 22);
    qToLittleEndian<quint32>(quint32(rate), d + 24);
    qToLittleEndian<quint32>(quint32(rate * 4), d + 28);
    qToLittleEndian<quint16>(4, d + 32);
    qToLittleEndian<quint16>(16, d + 34);
    std::memcpy(d + 36, "data", 4);
    qToLittleEndian<quint32>(quint32(frames * 4), d + 40);
    quint32 noise = 2463534242u + quint32(index) * 7919u;
    for (int i = 0; i < frames * 2; ++i) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        int s = int(5000 * std::sin(i * 0.03 * (1 + index % 7))) + int(noise % 801) - 400;
        if (s == 0)
            s = 1; // never a silent frame, so inserted silence shows
        qToLittleEndian<qint16>(qint16(s), d + 44 + i * 2);
    }
    return wav;
}

// The recording, filled by a thread reading standard input.
struct Recording
{
    std::mutex lock;
    QByteArray bytes;
    std::vector<std::pair<qint64, qint64>> reads; // frames received so far, when (ns)
    std::atomic<bool> stop{false};
    std::atomic<pid_t> thread{0};
    int frameBytes = 4;
    int rate = 48000;

    void run()
    {
        thread = pid_t(syscall(SYS_gettid));
        std::vector<char> chunk(4096);
        while (!stop) {
            const ssize_t got = ::read(0, chunk.data(), chunk.size());
            const qint64 now = duration_cast<nanoseconds>(Clock::now().time_since_epoch()).count();
            if (got <= 0)
                break;
            const std::lock_guard<std::mutex> guard(lock);
            bytes.append(chunk.data(), got);
            reads.emplace_back(bytes.size() / frameBytes, now);
        }
    }
    // When `frame` was played: the reads of the second after it bound that from above, the
    // earliest-arriving one best. Local, because the monitor may skip while the sink idles.
    Clock::time_point at(qint64 frame) const
    {
        qint64 best = std::numeric_limits<qint64>::max();
        auto read
            = std::lower_bound(reads.begin(), reads.end(), std::pair<qint64, qint64>(frame, 0));
        for (; read != reads.end() && read->first <= frame + rate; ++read)
            best = std::min(best, read->second - (read->first - frame) * 1'000'000'000 / rate);
        return Clock::time_point(nanoseconds(best));
    }
};

// Context switches of every thread of this process but one, from /proc.
qint64 switchesBut(pid_t skip)
{
    qint64 total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (task.toInt() == skip)
            continue;
        QFile status(tasks.filePath(task) + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches") || line.startsWith("nonvoluntary"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return total;
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double ms(Clock::duration d)
{
    return duration<double, std::milli>(d).count();
}

double median(std::vector<double> v)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

struct Played
{
    QByteArray pcm; // as the device takes it
    Clock::time_point clicked, returned;
    bool afterPause = false;
};

} // namespace

int main(int argc, char **argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int clips = argc > 1 ? std::atoi(argv[1]) : 50;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    if (argc > 5) {
        AudioOutput::Tuning tuning;
        tuning.bufferFrames = std::atoi(argv[3]);
        tuning.realtime = std::atoi(argv[4]) != 0;
        const int release = std::atoi(argv[5]);
        tuning.idleRelease = release > 0 ? milliseconds(release) : hours(24);
        tuning.releaseStream = release > 0;
        tuning.sdlOnly = argc > 6 && std::strcmp(argv[6], "sdl") == 0;
        if (argc > 7)
            tuning.streamTarget = milliseconds(std::atoi(argv[7]));
        AudioOutput::instance().setTuning(tuning);
    }

    AudioOutput &output = AudioOutput::instance();
    if (!output.open())
        return 1;
    // What the script records: the sink's monitor as s16le stereo at 48 kHz. Clips are 48 kHz
    // 16-bit stereo WAV files, which a sink of floats plays and gives back unchanged.
    const AudioFormat format{48000, 2, AUDIO_S16LSB, 4};
    Recording recording;
    recording.frameBytes = format.frameBytes;
    recording.rate = format.rate;
    std::thread reader([&recording] { recording.run(); });

    QTemporaryDir dir;
    std::vector<Played> played;
    quint32 phase = 12345;
    // The first clip plays within milliseconds: the recorder must be hearing the sink by then.
    for (int i = 0; i < 100; ++i) {
        {
            const std::lock_guard<std::mutex> guard(recording.lock);
            if (!recording.bytes.isEmpty())
                break;
        }
        waitMs(50);
    }
    waitMs(500); // the recorder settles
    for (int i = 0; i < clips; ++i) {
        // Every eighth clip comes after a long pause, when SDL's device has been let go.
        const bool pause = i % 8 == 7;
        phase = phase * 1664525u + 1013904223u;
        waitMs(pause ? 2500 : 50 + int((phase >> 8) % 250));
        const QByteArray wav = clipWav(i, format.rate);
        const QString path = dir.filePath(QStringLiteral("%1.wav").arg(i));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size())
            return 1;
        file.close();
        Played clip;
        clip.pcm = AudioClip::fromWav(wav, format).samples();
        clip.afterPause = pause || i == 0;
        clip.clicked = Clock::now();
        Voice::play(path);
        clip.returned = Clock::now();
        played.push_back(std::move(clip));
    }

    // Idle: nothing plays; how often does the program wake?
    qint64 wakeups = 0;
    if (idleSeconds > 0) {
        waitMs(3000);
        const qint64 before = switchesBut(recording.thread);
        waitMs(idleSeconds * 1000);
        wakeups = switchesBut(recording.thread) - before;
    }
    waitMs(300);
    recording.stop = true;
    ::close(0);
    reader.detach(); // blocked in read() until the recorder goes; the process ends first

    QByteArray heard;
    {
        const std::lock_guard<std::mutex> guard(recording.lock);
        heard = recording.bytes;
    }
    const int fb = format.frameBytes;
    const auto silentAt = [&](qsizetype byte) {
        for (int b = 0; b < fb; ++b)
            if (heard[byte + b] != 0)
                return false;
        return true;
    };
    std::vector<double> latency, latencyWarm, latencyResumed, lateReturn, gapMs;
    int found = 0, withGap = 0, cut = 0, overlaps = 0, corrupt = 0;
    qsizetype from = 0, lastEnd = -1;
    for (const Played &clip : played) {
        const QByteArray head = clip.pcm.first(std::min<qsizetype>(clip.pcm.size(), 64 * fb));
        qsizetype start = heard.indexOf(head, from);
        while (start >= 0 && start % fb)
            start = heard.indexOf(head, start + 1);
        if (start < 0) {
            if (qEnvironmentVariableIsSet("SINKDRIVER_VERBOSE")) {
                const qsizetype mid = heard.indexOf(clip.pcm.sliced(4000 * fb, 64 * fb), from);
                std::fprintf(stderr, "clip not found; its middle is at %lld, searched from %lld\n",
                    qint64(mid), qint64(from));
                if (mid >= 4000 * fb) {
                    const qsizetype head0 = mid - 4000 * fb;
                    int differ = 0, firstSame = -1;
                    for (int f = 0; f < 4000; ++f) {
                        if (std::memcmp(heard.constData() + head0 + f * fb,
                                clip.pcm.constData() + f * fb, size_t(fb)))
                            ++differ;
                        else if (firstSame < 0)
                            firstSame = f;
                    }
                    std::fprintf(stderr, "  %d of the first 4000 frames differ; first same %d\n",
                        differ, firstSame);
                    for (int f = 0; f < 6; ++f)
                        std::fprintf(stderr, "  %d: heard %d want %d\n", f,
                            int(*(const qint16 *)(heard.constData() + head0 + f * fb)),
                            int(*(const qint16 *)(clip.pcm.constData() + f * fb)));
                }
            }
            continue;
        }
        ++found;
        if (lastEnd > start)
            ++overlaps;
        // Walk the clip: its own frames in order, silence between them counted as a gap.
        qsizetype at = start, i = 0, silence = 0, silenceFrom = -1;
        bool broken = false;
        while (i < clip.pcm.size() && at + fb <= heard.size()) {
            if (std::memcmp(heard.constData() + at, clip.pcm.constData() + i, size_t(fb)) == 0) {
                i += fb;
            } else if (silentAt(at)) {
                if (silence++ == 0)
                    silenceFrom = i / fb;
                if (silence > format.rate) // a second of silence: the rest never came
                    break;
            } else {
                broken = true;
                break;
            }
            at += fb;
        }
        const bool cutHere = i < clip.pcm.size() && !broken;
        const bool overlapHere = lastEnd > start;
        if (i < clip.pcm.size())
            broken ? ++corrupt : ++cut;
        if (silence > 0) {
            ++withGap;
            gapMs.push_back(1000.0 * double(silence) / format.rate);
        }
        const double l = ms(recording.at(start / fb) - clip.clicked);
        latency.push_back(l);
        (clip.afterPause ? latencyResumed : latencyWarm).push_back(l);
        lateReturn.push_back(ms(clip.returned - recording.at(at / fb)));
        std::printf("clip %.3f %.3f %d %d %.3f %d %d\n", l, 1000.0 * double(silence) / format.rate,
            int(cutHere), int(overlapHere), lateReturn.back(), int(clip.afterPause), int(broken));
        lastEnd = at;
        from = at;
        if (qEnvironmentVariableIsSet("SINKDRIVER_VERBOSE"))
            std::fprintf(stderr,
                "clip at %.3f s, clicked at %.6f%s: %.1f ms, %lld silent frames from its frame %lld, "
                "return %.1f ms\n",
                double(start / fb) / format.rate,
                duration<double>(clip.clicked.time_since_epoch()).count(),
                clip.afterPause ? " after a pause" : "", l, qint64(silence), qint64(silenceFrom),
                lateReturn.back());
    }
    std::printf("clips %d\nfound %d\nway %s\n", int(played.size()), found,
        dynamic_cast<SdlBackend *>(output.backend()) ? "SDL" : "libpulse");
    std::printf("latency_median_ms %.1f\nlatency_p90_ms %.1f\nlatency_max_ms %.1f\n",
        median(latency), percentile(latency, 0.9), percentile(latency, 1.0));
    std::printf("latency_open_median_ms %.1f\nlatency_resumed_median_ms %.1f\n",
        median(latencyWarm), median(latencyResumed));
    std::printf("clips_with_gap %d\ngap_max_ms %.1f\ncut_tails %d\noverlaps %d\ncorrupt %d\n",
        withGap, gapMs.empty() ? 0.0 : percentile(gapMs, 1.0), cut, overlaps, corrupt);
    std::printf("return_after_end_median_ms %.1f\nreturn_after_end_max_ms %.1f\n",
        median(lateReturn), percentile(lateReturn, 1.0));
    if (idleSeconds > 0)
        std::printf("idle_wakeups_per_s %.1f\n", double(wakeups) / idleSeconds);
    std::fflush(stdout);
    std::_Exit(0);
}
