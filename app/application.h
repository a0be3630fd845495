#pragma once

#include <QApplication>

#include <functional>

// The program's application object. It carries the product name and version, and it is the one
// place where an error escaping an event handler is caught: no exception ever crosses Qt's event
// loop. Such an error goes to the default error report, which names it and ends the program.
class Application : public QApplication
{
public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The default error report: a message box that names the error, then the end of the program.
    // Tests replace what it does so that they can see the report without ending the process.
    using ErrorReport = std::function<void(const QString &message)>;
    static void reportError(const QString &message);
    static void setErrorReport(ErrorReport report);
};
