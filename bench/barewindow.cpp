// The baseline of the start-up and memory benchmarks: a bare Qt Widgets program with one empty
// window, started and measured exactly as the program is.
//   bench_barewindow            shows a window titled "bare" until it is ended
//   bench_barewindow --memory   shows it, lets it paint, prints "vmhwm_kib N" and ends
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(372, 242);
    window.show();
    if (argc > 1 && std::strcmp(argv[1], "--memory") == 0) {
        QTimer::singleShot(200, &app, [] {
            QFile status(QStringLiteral("/proc/self/status"));
            status.open(QIODevice::ReadOnly);
            for (const QByteArray &line : status.readAll().split('\n'))
                if (line.startsWith("VmHWM:"))
                    std::printf(
                        "vmhwm_kib %s\n", line.mid(6).trimmed().split(' ').first().constData());
            QCoreApplication::quit();
        });
    }
    return app.exec();
}
