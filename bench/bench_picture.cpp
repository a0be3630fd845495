// A 4000 × 3000 phone photo loaded for a 153 × 153 image control, beside a full-size decode of
// the same file.
//   bench_picture --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include "lesson/picture.h"

#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// Smooth shading with fine grain, like a photo: at quality 90 it makes a file of a few
// megabytes, as a phone's 12-megapixel JPEG is.
QString photoPath()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        QImage photo(4000, 3000, QImage::Format_RGB32);
        quint32 noise = 12345;
        for (int y = 0; y < photo.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x) {
                noise = noise * 1664525u + 1013904223u;
                const int grain = int(noise >> 27) - 16;
                const int ring = ((x - 2000) * (x - 2000) + (y - 1500) * (y - 1500)) >> 14;
                line[x] = qRgb(qBound(0, x * 255 / 4000 + grain, 255),
                    qBound(0, y * 255 / 3000 + grain, 255), qBound(0, (ring & 0xFF) + grain, 255));
            }
        }
        const QString file = dir.filePath(QStringLiteral("しゃしん.jpg"));
        if (!photo.save(file, "JPEG", 90))
            qFatal("cannot write the benchmark's photo");
        return file;
    }();
    return path;
}

void BM_PictureLoadAt153(benchmark::State &state)
{
    const QString path = photoPath();
    for (auto _ : state) {
        const Picture::Result result = Picture::load(path, QSize(153, 153));
        if (!result.ok()) {
            state.SkipWithError(qPrintable(result.error));
            break;
        }
        benchmark::DoNotOptimize(result.image.constBits());
    }
}

void BM_PictureDecodeFullSize(benchmark::State &state)
{
    const QString path = photoPath();
    for (auto _ : state) {
        const QImage image = QImageReader(path).read();
        if (image.size() != QSize(4000, 3000)) {
            state.SkipWithError("the photo did not decode");
            break;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

BENCHMARK(BM_PictureLoadAt153)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PictureDecodeFullSize)->Unit(benchmark::kMillisecond)->UseRealTime();
