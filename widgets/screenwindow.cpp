#include "widgets/screenwindow.h"

#include <QCloseEvent>

ScreenWindow::ScreenWindow(QWidget *parent)
    : QWidget(parent)
{ }

void ScreenWindow::Form_QueryUnload(bool &Cancel, int UnloadMode)
{
    if (UnloadMode == FromControlMenu)
        Cancel = true;
}

void ScreenWindow::placeClientArea(QPoint clientTopLeft)
{
    // QWidget::move places the frame; the client area sits inside it by the frame's margins,
    // which are known only once the window manager has decorated the window. Until then the
    // frame and the client area share a corner, and setGeometry (client coordinates) is right.
    setGeometry(QRect(clientTopLeft, size()));
}

void ScreenWindow::closeEvent(QCloseEvent *event)
{
    // The window system's close (the close box, the window menu) arrives as a spontaneous event;
    // a close() from the program does not.
    bool cancel = false;
    Form_QueryUnload(cancel, event->spontaneous() ? FromControlMenu : FromCode);
    event->setAccepted(!cancel);
}
