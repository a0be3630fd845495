#include "app/startup.h"

#include "media/voice.h"
#include "screens/form3.h"
#include "screens/screens.h"
#include "widgets/screenwindow.h"

#include <QCoreApplication>

void Main()
{
    // `pikomoji --full-screen` opens every screen full screen; F11 leaves it.
    if (QCoreApplication::arguments().contains(QStringLiteral("--full-screen")))
        ScreenWindow::setFullScreen(true);
    Screens::form3().show();
    Voice::prepare();
}
