// A 4000 × 3000 phone photo loaded for a 153 × 153 image control, beside a full-size decode of
// the same file and the JPEG library's smallest decode of it.
//   bench_picture --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include "media/picture.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A 4000 × 3000 picture shaded like a photo, with grain of ±`grain` levels, saved at quality 90.
// Decoding time follows the file's size, which the grain sets: grain 10 makes 3.3 MB, about what
// a phone saves for a 12-megapixel photo; grain 3 makes a smoother 1.5 MB one.
QString photoPath(int grain)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("しゃしん%1.jpg").arg(grain));
    if (QFileInfo::exists(path))
        return path;
    QImage photo(4000, 3000, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < photo.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int speck = int((noise >> 24) % quint32(2 * grain + 1)) - grain;
            const int ring = ((x - 2000) * (x - 2000) + (y - 1500) * (y - 1500)) >> 14;
            line[x] = qRgb(qBound(0, x * 255 / 4000 + speck, 255),
                qBound(0, y * 255 / 3000 + speck, 255), qBound(0, (ring & 0xFF) + speck, 255));
        }
    }
    if (!photo.save(path, "JPEG", 90))
        qFatal("cannot write the benchmark's photo");
    return path;
}

void reportFileSize(benchmark::State &state, const QString &path)
{
    state.counters["file_MB"] = double(QFileInfo(path).size()) / 1e6;
}

void BM_PictureLoadAt153(benchmark::State &state)
{
    const QString path = photoPath(int(state.range(0)));
    for (auto _ : state) {
        const Picture::Result result = Picture::load(path, QSize(153, 153));
        if (!result.ok()) {
            state.SkipWithError(qPrintable(result.problem->text()));
            break;
        }
        benchmark::DoNotOptimize(result.image.constBits());
    }
    reportFileSize(state, path);
}

void BM_PictureDecodeFullSize(benchmark::State &state)
{
    const QString path = photoPath(int(state.range(0)));
    for (auto _ : state) {
        const QImage image = QImageReader(path).read();
        if (image.size() != QSize(4000, 3000)) {
            state.SkipWithError("the photo did not decode");
            break;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    reportFileSize(state, path);
}

// The JPEG library's own part of the load: a decode at exactly 1/8 of the size, the smallest it
// can decode to, with nothing else around it.
void BM_PictureDecodeAtOneEighth(benchmark::State &state)
{
    const QString path = photoPath(int(state.range(0)));
    for (auto _ : state) {
        QImageReader reader(path);
        reader.setScaledSize(QSize(500, 375));
        const QImage image = reader.read();
        if (image.size() != QSize(500, 375)) {
            state.SkipWithError("the photo did not decode");
            break;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
    reportFileSize(state, path);
}

} // namespace

BENCHMARK(BM_PictureLoadAt153)->Arg(10)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PictureDecodeAtOneEighth)
    ->Arg(10)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_PictureDecodeFullSize)->Arg(10)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();
