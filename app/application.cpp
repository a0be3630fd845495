#include "app/application.h"

#include "core/runtimeerror.h"
#include "screens/screens.h"
#include "widgets/assets.h"
#include "widgets/fonts.h"
#include "widgets/plainmessage.h"
#include "widgets/screenstyle.h"

#include <QTimer>

namespace {
// The program's name, as the title of the error report and nowhere else: Qt would append a display
// name to every window title, and each screen's caption stands alone.
const QString ProgramName = QStringLiteral("ぴこもじ");

void showReportAndQuit(const QString &message)
{
    PlainMessage::critical(nullptr, ProgramName, message);
    // Leaves every running event loop, the main one included, so main() returns and nothing is
    // saved because nothing ever is.
    QCoreApplication::exit(1);
}
} // namespace

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("pikomoji"));
    // The desktop knows the program by its desktop entry, which names it ぴこもじ.
    setDesktopFileName(QStringLiteral("jp.pikomoji.Pikomoji"));
    setApplicationVersion(QStringLiteral(PIKOMOJI_VERSION));
    // Fusion on every desktop, with the graphical buttons' flat faces and a strong focus ring.
    ScreenStyle::install();
    registerFontSubstitutes();
    ErrorReport::set(showReportAndQuit);
    // The screens are owned by no window; they go before the application object does.
    connect(this, &QCoreApplication::aboutToQuit, this, &Screens::unloadAll);
    // One icon for every screen. Reading it means scanning Qt's image plugins, so it is set once
    // the event loop runs, just after the first window is on screen rather than before.
    QTimer::singleShot(0, this, [] { setWindowIcon(Assets::programIcon()); });
}

Application::~Application()
{
    ErrorReport::set({});
}
