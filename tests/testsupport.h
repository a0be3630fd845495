#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// Writes `bytes` to `dir`/`name`, creating folders on the way; returns the file's path.
QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes);

// The bytes of `text` in Shift-JIS.
QByteArray shiftJis(const QString &text);

// Records the default error report instead of ending the test process, for as long as it lives.
class ErrorReportRecorder
{
public:
    ErrorReportRecorder();
    ~ErrorReportRecorder();
    ErrorReportRecorder(const ErrorReportRecorder &) = delete;
    ErrorReportRecorder &operator=(const ErrorReportRecorder &) = delete;

    QStringList reports;

private:
    std::function<void(const QString &)> m_previous;
};

#include <initializer_list>
#include <ostream>

// Little-endian 16-bit values, as WAV files hold them.
QByteArray le16(std::initializer_list<int> values);
// A WAV file as Windows writes it. Tags: 1 PCM, 2 MS ADPCM, 3 float, 6 A-law, 7 µ-law, 0x11 IMA
// ADPCM. `extension` follows the fmt chunk's size-of-extension field, which PCM leaves out.
QByteArray wavFile(int tag, int channels, int rate, int bits, int blockAlign,
    const QByteArray &data, const QByteArray &extension = {});
// `seconds` of PCM (tag 1) or float (tag 3) samples that are never silent: a wave on an offset.
QByteArray pcmWav(int bits, int rate, int channels, double seconds, int tag = 1);

// Lets GoogleTest print texts as texts.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

class QWidget;
// What the window manager delivers when a window's close box is clicked: a spontaneous close.
void closeFromTheCloseBox(QWidget &window);
