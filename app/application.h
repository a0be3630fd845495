#pragma once

#include <QApplication>

// The program's application object. It carries the product name and version, registers the
// fonts, and puts the default error report in place: a message box that names the error, then
// the end of the program. Errors reach that report from the screens' handler boundary
// (ScreenWindow::handle); none ever crosses Qt's event loop.
class Application : public QApplication
{
public:
    Application(int &argc, char **argv);
    ~Application() override;
};
