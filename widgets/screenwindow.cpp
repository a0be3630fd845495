#include "widgets/screenwindow.h"

#include "core/runtimeerror.h"

#include <QCloseEvent>
#include <QScopeGuard>

#include <algorithm>
#include <exception>

namespace {
int runningHandlers = 0; // every handler runs on the user-interface thread
} // namespace

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

bool ScreenWindow::handlerRunning()
{
    return runningHandlers > 0;
}

void ScreenWindow::handle(std::function<void()> handler)
{
    if (handlerRunning()) {
        m_held.push_back({nullptr, std::move(handler)});
        return;
    }
    run(handler);
    runHeldCalls();
}

void ScreenWindow::handleMove(const QObject *control, std::function<void()> handler)
{
    if (handlerRunning()) {
        std::erase_if(
            m_held, [control](const HeldCall &call) { return call.movedOver == control; });
        m_held.push_back({control, std::move(handler)});
        return;
    }
    run(handler);
    runHeldCalls();
}

void ScreenWindow::run(const std::function<void()> &handler)
{
    ++runningHandlers;
    const auto done = qScopeGuard([] { --runningHandlers; });
    QString error;
    try {
        handler();
        return;
    } catch (const RuntimeError &raised) {
        error = raised.message();
    } catch (const std::exception &raised) {
        error = QString::fromUtf8(raised.what());
    } catch (...) {
        error = QStringLiteral("不明なエラーです。");
    }
    // The program ends after the report; nothing held, before it or during it, runs.
    m_held.clear();
    ErrorReport::show(error);
    m_held.clear();
}

void ScreenWindow::runHeldCalls()
{
    // A screen that was hidden meanwhile ("おわる") takes no more input: what was aimed at it is
    // dropped, as a click on a closed window would be.
    while (!m_held.empty() && isVisible()) {
        const HeldCall call = std::move(m_held.front());
        m_held.pop_front();
        run(call.handler);
    }
    m_held.clear();
}

void ScreenWindow::closeEvent(QCloseEvent *event)
{
    // The window system's close (the close box, the window menu) arrives as a spontaneous event;
    // a close() from the program does not.
    bool cancel = false;
    Form_QueryUnload(cancel, event->spontaneous() ? FromControlMenu : FromCode);
    event->setAccepted(!cancel);
}
