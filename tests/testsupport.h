#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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
};

#include <ostream>

// Lets GoogleTest print texts as texts.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

class QWidget;
// The widget that Tab moves the focus to from `widget`.
QWidget *nextTabStop(QWidget *widget);

// What the window manager delivers when a window's close box is clicked: a spontaneous close.
void closeFromTheCloseBox(QWidget &window);
