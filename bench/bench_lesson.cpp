// pikomoji-lesson making a lesson of 20 words, each with a 4000 × 3000 phone photo (3 MB, with an
// orientation tag: a third stand upright, a third are turned a quarter one way, a third the
// other), run as a parent runs it, beside the baseline of decoding the same 20 photos at full
// size in this process, which any tool that reads them whole must at least spend.
//   bench_lesson --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Photos = 20;
constexpr int Orientations[] = {1, 6, 8};

// The photo as a phone saves it, tagged with an EXIF orientation (1 upright, 6 and 8 sideways).
QByteArray tagged(const QByteArray &jpeg, int orientation)
{
    QByteArray exif(
        "Exif\0\0II\x2A\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 32);
    exif[18] = char(orientation);
    return jpeg.left(2) + "\xFF\xE1" + char(0) + char(exif.size() + 2) + exif + jpeg.mid(2);
}

// The word list and its 20 photos, made once: shaded like a photo with grain, about 3 MB each,
// each with a differently coloured square on it so that no two files are alike.
const QTemporaryDir &lessonSource()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (made)
        return dir;
    QImage photo(4000, 3000, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < photo.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int speck = int((noise >> 24) % 21u) - 10;
            const int ring = ((x - 2000) * (x - 2000) + (y - 1500) * (y - 1500)) >> 14;
            line[x] = qRgb(qBound(0, x * 255 / 4000 + speck, 255),
                qBound(0, y * 255 / 3000 + speck, 255), qBound(0, (ring & 0xFF) + speck, 255));
        }
    }
    // Twenty different words of one to three letters.
    const QString words[Photos]
        = {"いぬ", "ねこ", "さる", "うし", "うま", "とら", "しか", "かめ", "へび", "ぶた", "きりん",
            "らくだ", "くじら", "いるか", "ひつじ", "やぎ", "かば", "わに", "たぬき", "きつね"};
    QString list = QStringLiteral("# 20 photos\n");
    for (int i = 0; i < Photos; ++i) {
        QImage marked = photo;
        QPainter(&marked).fillRect(
            200 + i * 150, 1000, 600, 600, QColor::fromHsv(i * 18, 200, 220));
        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            marked.save(&buffer, "JPEG", 90);
        }
        const QString name = QStringLiteral("photos/IMG_%1.jpg").arg(1000 + i);
        QDir(dir.path()).mkpath(QStringLiteral("photos"));
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(tagged(jpeg, Orientations[i % 3])) < 0)
            qFatal("cannot write the benchmark's photos");
        list += words[i] + u' ' + name + u'\n';
    }
    QFile file(dir.filePath(QStringLiteral("words.txt")));
    if (!file.open(QIODevice::WriteOnly) || file.write(list.toUtf8()) < 0)
        qFatal("cannot write the benchmark's word list");
    made = true;
    return dir;
}

void BM_MakeLesson20Photos(benchmark::State &state)
{
    const QTemporaryDir &source = lessonSource();
    QTemporaryDir out;
    for (auto _ : state) {
        QProcess tool;
        tool.start(QStringLiteral(PIKOMOJI_LESSON),
            {QStringLiteral("--force"), source.filePath(QStringLiteral("words.txt")),
                out.filePath(QStringLiteral("lesson"))});
        // Status 1 is a made lesson the checker has something to say about: these words use
        // clips the build's voice folder has, so only 0 is right.
        if (!tool.waitForFinished(120000) || tool.exitCode() != 0) {
            state.SkipWithError(tool.readAllStandardError().constData());
            break;
        }
    }
}
BENCHMARK(BM_MakeLesson20Photos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_DecodeFullSize20Photos(benchmark::State &state)
{
    const QTemporaryDir &source = lessonSource();
    for (auto _ : state) {
        for (int i = 0; i < Photos; ++i) {
            QImageReader reader(source.filePath(QStringLiteral("photos/IMG_%1.jpg").arg(1000 + i)));
            const QImage image = reader.read();
            if (image.isNull()) {
                state.SkipWithError("cannot decode a photo");
                return;
            }
            benchmark::DoNotOptimize(image.constBits());
        }
    }
}
BENCHMARK(BM_DecodeFullSize20Photos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace
