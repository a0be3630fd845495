// Peak memory (VmHWM) of a whole quiz on the starter lesson, 20 words and 40 marks, played
// through in a process of its own on the offscreen platform with SDL's dummy driver, beside a
// bare Qt Widgets program with one window measured the same way. Each iteration is one process;
// the figure is the peak_mib counter, the time is how long the process ran.
//   bench_memory --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

// Runs `program` offscreen and returns the KiB it printed as "vmhwm_kib N", or -1.
long peakOf(const QString &program, const QStringList &arguments)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    child.setProcessEnvironment(environment);
    child.start(program, arguments);
    if (!child.waitForFinished(300'000) || child.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch match
        = QRegularExpression(QStringLiteral("vmhwm_kib (\\d+)"))
              .match(QString::fromLocal8Bit(child.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

void measure(benchmark::State &state, const QString &program, const QStringList &arguments)
{
    long kib = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        kib = peakOf(program, arguments);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (kib < 0) {
            state.SkipWithError(
                qPrintable(QStringLiteral("%1 did not finish cleanly").arg(program)));
            break;
        }
    }
    state.counters["peak_mib"] = kib / 1024.0;
}

void BM_PeakMemoryWholeQuiz(benchmark::State &state)
{
    measure(state, QStringLiteral(PIKOMOJI_PLAYTHROUGH), {QStringLiteral(PIKOMOJI_STARTER_LESSON)});
}

void BM_PeakMemoryBareWindow(benchmark::State &state)
{
    measure(state, QStringLiteral(PIKOMOJI_BARE_WINDOW), {QStringLiteral("--memory")});
}

} // namespace

BENCHMARK(BM_PeakMemoryWholeQuiz)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PeakMemoryBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
