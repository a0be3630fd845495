#include "testsupport.h"

#include <gtest/gtest.h>

#include "app/application.h"
#include "core/runtimeerror.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QStringEncoder>

#include <QWidget>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>
#include <bit>
#include <cmath>

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(path));
    return path;
}

QByteArray shiftJis(const QString &text)
{
    QStringEncoder encoder("CP932");
    return encoder(text);
}

ErrorReportRecorder::ErrorReportRecorder()
{
    m_previous = ErrorReport::set([this](const QString &message) { reports.append(message); });
}

ErrorReportRecorder::~ErrorReportRecorder()
{
    ErrorReport::set(std::move(m_previous));
}

void closeFromTheCloseBox(QWidget &window)
{
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    QCoreApplication::sendEvent(window.windowHandle(), &event);
}

QByteArray le16(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value)).append(char(value >> 8));
    return bytes;
}

QByteArray wavFile(int tag, int channels, int rate, int bits, int blockAlign,
    const QByteArray &data, const QByteArray &extension)
{
    const auto le32 = [](qint64 value) { return le16({int(value), int(value >> 16)}); };
    const QByteArray fmt = le16({tag, channels}) + le32(rate) + le32(rate * blockAlign)
        + le16({blockAlign, bits})
        + (tag == 1 ? QByteArray() : le16({int(extension.size())}) + extension);
    return "RIFF" + le32(20 + fmt.size() + data.size()) + "WAVEfmt " + le32(fmt.size()) + fmt
        + "data" + le32(data.size()) + data;
}

QByteArray pcmWav(int bits, int rate, int channels, double seconds, int tag)
{
    QByteArray data;
    data.reserve(qsizetype(rate * seconds) * channels * bits / 8);
    for (int i = 0; i < int(rate * seconds) * channels; ++i) {
        const double value = 0.3 + 0.2 * std::sin(i / 5.0);
        const qint64 pcm = qint64(value * (1LL << (bits - 1))) + (bits == 8 ? 128 : 0);
        const qint64 sample = tag == 3 ? std::bit_cast<quint32>(float(value)) : pcm;
        for (int b = 0; b < bits / 8; ++b)
            data.append(char(sample >> (8 * b)));
    }
    return wavFile(tag, channels, rate, bits, bits / 8 * channels, data);
}
