// "はじめる" to the quiz screen painted, with a 4000 × 3000 phone photo as the word's picture,
// beside the same with a 153 × 153 picture (the size the picture is shown at).
//   bench_startquiz --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include "core/module1.h"
#include "media/voice.h"
#include "screens/form1.h"
#include "screens/form3.h"
#include "screens/screens.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

namespace {

void save(const QImage &image, const QString &path)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    image.save(path, "JPEG", 90);
}

// Grain over smooth shading, so the JPEG is a few megabytes, as a phone's photo is.
QImage photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 27) - 16;
            line[x] = qRgb(qBound(0, x * 255 / width + grain, 255),
                qBound(0, y * 255 / height + grain, 255), qBound(0, 128 + grain, 255));
        }
    }
    return image;
}

// A one-word lesson folder whose picture is `width` × `height`.
QString lessonWithPicture(int width, int height)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    auto &dir = folders[width];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        save(photo(width, height), dir->filePath(QStringLiteral("pic/sakana.jpg")));
        QImage mark(153, 153, QImage::Format_RGB32);
        mark.fill(Qt::yellow);
        save(mark, dir->filePath(QStringLiteral("pic/すごい.jpg")));
        save(mark, dir->filePath(QStringLiteral("pic/しっかり.jpg")));
        QDir().mkpath(dir->filePath(QStringLiteral("data")));
        QFile lesson(dir->filePath(QStringLiteral("data/data.txt")));
        lesson.open(QIODevice::WriteOnly);
        lesson.write(QStringLiteral("sakana,さ,か,な,な,さ,か,た,ま\r\n").toUtf8());
    }
    return dir->path();
}

void BM_StartQuiz(benchmark::State &state)
{
    const QString folder = lessonWithPicture(int(state.range(0)), int(state.range(1)));
    Voice::setPlayer([](const QString &) {});
    Form3 &menu = Screens::form3();
    Module1::deriveFolders(folder);
    menu.show();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QTest::mouseClick(menu.Command1, Qt::LeftButton);
        Form1 &quiz = Screens::form1();
        const QPixmap painted = quiz.grab(); // every control painted, the picture included
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        if (painted.isNull() || !quiz.isVisible()) {
            state.SkipWithError("the quiz screen did not come up");
            break;
        }
        QTest::mouseClick(quiz.Command3, Qt::LeftButton); // おわる, not timed
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Voice::setPlayer({});
    Screens::unloadAll(); // the screens go before the application object does
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

BENCHMARK(BM_StartQuiz)
    ->Args({4000, 3000})
    ->Args({153, 153})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
