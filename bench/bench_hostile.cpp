// What a hostile lesson costs now that its files are bounded: a progressive JPEG of 3000 scans
// refused, beside an ordinary progressive photo of the same size loaded; and a 100 GB lesson file
// without a comma (its first MiB read), beside a two-word lesson.
// With PIKOMOJI_HOSTILE naming the folder bench/make-hostile filled, every picture and clip there
// is judged as the quiz and the checker judge it: CPU time and peak memory to the verdict, beside
// the 24-megapixel progressive photo and the ordinary clip made with them.
//   PIKOMOJI_HOSTILE=DIR bench_hostile --benchmark_repetitions=10
//   --benchmark_report_aggregates_only=true
#include "lesson/lessonfile.h"
#include "media/mediajudges.h"
#include "media/picture.h"

#include <QDir>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

QString write(const QString &name, const QByteArray &bytes)
{
    const QString path = folder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// A 2000 × 2000 progressive JPEG, as its encoder writes it (10 scans).
QByteArray progressive()
{
    QImage image(2000, 2000, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    QBuffer buffer;
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(image);
    return buffer.data();
}

// The same picture with its scans repeated to more than 3000.
QByteArray scanBomb()
{
    const QByteArray jpeg = progressive();
    const qsizetype firstScan = jpeg.indexOf("\xFF\xDA");
    const QByteArray scans = jpeg.sliced(firstScan, jpeg.size() - 2 - firstScan);
    return jpeg.first(firstScan) + scans.repeated(3001 / scans.count("\xFF\xDA") + 1) + "\xFF\xD9";
}

void loadPicture(benchmark::State &state, const QString &path)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Picture::load(path, QSize(153, 153)));
    state.counters["file_KB"] = double(QFile(path).size()) / 1e3;
}

void BM_PictureProgressiveTenScans(benchmark::State &state)
{
    loadPicture(state, write(QStringLiteral("ふつう.jpg"), progressive()));
}

void BM_PictureScanBombRefused(benchmark::State &state)
{
    static const QString path = write(QStringLiteral("すごい.jpg"), scanBomb());
    if (Picture::load(path, QSize(153, 153)).ok())
        state.SkipWithError("the scan bomb was decoded");
    loadPicture(state, path);
}

void BM_LessonTwoWords(benchmark::State &state)
{
    const QString path = write(QStringLiteral("two.txt"),
        QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま\r\ninu,い,ぬ,,ぬ,か,い,し,て\r\n").toUtf8());
    for (auto _ : state)
        benchmark::DoNotOptimize(LessonFile::read(path));
}

void BM_LessonHundredGigabytesWithoutAComma(benchmark::State &state)
{
    const QString path = write(QStringLiteral("huge.txt"), "sakana");
    if (!QFile(path).resize(qint64(100) << 30))
        state.SkipWithError("no sparse file of 100 GB here");
    for (auto _ : state)
        benchmark::DoNotOptimize(LessonFile::read(path));
    QFile::remove(path);
}

// The process's resident memory (MiB): now, and its peak since the peak was last reset.
double statusMiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// One file judged per iteration; peak_MiB is the largest rise of resident memory over the
// iterations, refused whether it was refused.
void judge(benchmark::State &state, const std::function<bool()> &refuses)
{
    double rise = 0;
    bool refused = false;
    for (auto _ : state) {
        resetPeak();
        const double before = statusMiB("VmRSS:");
        refused = refuses();
        rise = std::max(rise, statusMiB("VmHWM:") - before);
    }
    state.counters["peak_MiB"] = rise;
    state.counters["refused"] = refused;
}

void registerHostileFiles()
{
    const QString folder = qEnvironmentVariable("PIKOMOJI_HOSTILE");
    if (folder.isEmpty())
        return;
    static const LessonCheck::FileJudges judges = mediaJudges();
    const QDir dir(folder);
    for (const QString &name : dir.entryList({"*.jpg", "*.wav"}, QDir::Files, QDir::Name)) {
        const auto &verdict = name.endsWith(u".jpg") ? judges.picture : judges.clip;
        const QString path = dir.filePath(name);
        benchmark::RegisterBenchmark(("BM_Judge/" + name).toUtf8().constData(),
            [path, &verdict](benchmark::State &state) {
                judge(state, [&] { return verdict(path).has_value(); });
            })
            ->Unit(benchmark::kMillisecond);
    }
}
const int registered = (registerHostileFiles(), 0);

} // namespace

BENCHMARK(BM_PictureProgressiveTenScans)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PictureScanBombRefused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LessonTwoWords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LessonHundredGigabytesWithoutAComma)->Unit(benchmark::kMillisecond);
