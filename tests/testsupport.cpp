#include "testsupport.h"

#include "app/application.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QWidget>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

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
    Application::setErrorReport([this](const QString &message) { reports.append(message); });
}

ErrorReportRecorder::~ErrorReportRecorder()
{
    Application::setErrorReport({});
}

QWidget *nextTabStop(QWidget *widget)
{
    QWidget *next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

void closeFromTheCloseBox(QWidget &window)
{
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    QCoreApplication::sendEvent(window.windowHandle(), &event);
}
