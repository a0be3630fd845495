#include "widgets/heldinput.h"

#include "core/runtimeerror.h"
#include "widgets/screenwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QWindow>

#include <exception>

namespace {
// The screen whose window `window` is; null for any other window (a message box).
QWidget *screenOf(const QWindow *window)
{
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->windowHandle() == window)
            return qobject_cast<ScreenWindow *>(top);
    return nullptr;
}

// The button at `position` (the screen's coordinates), if any.
QAbstractButton *buttonAt(QWidget *screen, QPoint position)
{
    for (QWidget *widget = screen->childAt(position); widget && widget != screen;
         widget = widget->parentWidget())
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            return button->isEnabled() ? button : nullptr;
    return nullptr;
}
} // namespace

HeldInput &HeldInput::instance()
{
    // Owned by the application, so it goes with it rather than in a static destructor.
    static QPointer<HeldInput> held;
    if (!held)
        held = new HeldInput(QCoreApplication::instance());
    return *held;
}

HeldInput::HeldInput(QObject *parent)
    : QObject(parent)
{
    if (parent)
        parent->installEventFilter(this);
}

void HeldInput::handle(const QWidget *screen, std::function<void()> handler)
{
    if (handlerRunning()) {
        hold({screen, false, true, std::move(handler)});
        return;
    }
    run(handler);
    runHeld();
}

void HeldInput::handleRest(const QWidget *screen, std::function<void()> handler)
{
    if (handlerRunning()) {
        hold({screen, true, true, std::move(handler)});
        return;
    }
    run(handler);
    runHeld();
}

void HeldInput::hold(Held held)
{
    if (held.rest && !m_held.empty() && m_held.back().rest)
        m_held.back() = std::move(held);
    else
        m_held.push_back(std::move(held));
}

void HeldInput::run(const std::function<void()> &handler)
{
    ++m_running;
    const auto done = qScopeGuard([this] {
        if (--m_running == 0)
            releaseShownPress();
    });
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

void HeldInput::runHeld()
{
    // A held click runs its handler through handle(), which comes back here: the loop further
    // down the stack goes on with what is left, in order.
    if (m_runningHeld)
        return;
    m_runningHeld = true;
    const auto done = qScopeGuard([this] { m_runningHeld = false; });
    while (!m_held.empty()) {
        const Held next = std::move(m_held.front());
        m_held.pop_front();
        // A screen hidden meanwhile ("おわる") takes no more input: what was aimed at it is
        // dropped, as a click on a closed window would be.
        if (!next.screen || !next.screen->isVisible() || !next.action)
            continue;
        if (next.handler)
            run(next.action);
        else
            next.action();
    }
}

// Input is taken where the window system delivers it, at the screen's window, before Qt hands a
// press to a button or moves the focus for it.
bool HeldInput::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWindowType())
        return false;
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        && unmarkedRepeat(static_cast<QKeyEvent *>(event)))
        return true;
    if (!handlerRunning())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        break;
    default:
        return false;
    }
    QWidget *screen = screenOf(static_cast<QWindow *>(watched));
    if (!screen)
        return false; // a message box the handler shows takes its input at once
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        holdKey(screen, static_cast<QKeyEvent *>(event));
        return true;
    }
    return holdPointer(screen, static_cast<QMouseEvent *>(event));
}

bool HeldInput::holdPointer(QWidget *screen, const QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseMove:
        // The pointer now rests here, on nothing that speaks until a control under it says
        // otherwise (handleRest, as the move reaches it).
        hold({screen, true, true, {}});
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (QAbstractButton *button = buttonAt(screen, position)) {
            if (m_pressed && m_pressed != button)
                m_pressed->setDown(false);
            m_pressed = button;
            button->setDown(true); // seen at once; the button itself never knows of the press
            return true;
        }
        return false; // labels and pictures hold their own handler calls, made at the release
    case QEvent::MouseButtonRelease: {
        if (!m_pressed)
            return false;
        QPointer<QAbstractButton> button = std::exchange(m_pressed, nullptr);
        button->setDown(false);
        if (event->button() == Qt::LeftButton && buttonAt(screen, position) == button)
            hold({screen, false, false, [button] {
                      if (!button || !button->isEnabled())
                          return;
                      if (button->focusPolicy() & Qt::ClickFocus)
                          button->setFocus(Qt::MouseFocusReason);
                      button->click();
                  }});
        return true;
    }
    default:
        return false;
    }
}

void HeldInput::holdKey(const QWidget *screen, const QKeyEvent *key)
{
    // What a key does depends on where the focus is when it is handled: Tab and the arrows move
    // it on from there, Space and Return press the button that has it then.
    hold({screen, false, false,
        [screen = QPointer<const QWidget>(screen), type = key->type(), code = key->key(),
            modifiers = key->modifiers(), text = key->text(), repeat = key->isAutoRepeat(),
            count = key->count()] {
            QWidget *target = QApplication::focusWidget();
            if (!target || target->window() != screen)
                target = const_cast<QWidget *>(screen.data());
            QKeyEvent again(type, code, modifiers, text, repeat, ushort(count));
            QCoreApplication::sendEvent(target, &again);
        }});
}

// A key held down repeats as a release and a press stamped with the same time. Qt marks the
// two as a repeat only when it finds the press already queued behind the release; a screen
// waiting for a clip takes each event as it comes, so many repeats arrive as new presses of
// Return or Space, each a click of the focused button, held and answered one clip after
// another long after the key is up. A press of the key just released, at the very time of its
// release, is that repeat, and is dropped: no hand presses a key again in the same millisecond.
bool HeldInput::unmarkedRepeat(const QKeyEvent *key)
{
    if (key->type() == QEvent::KeyRelease) {
        m_lastRelease = {key->key(), key->timestamp()};
        return false;
    }
    const Release last = std::exchange(m_lastRelease, {});
    return !key->isAutoRepeat() && key->key() == last.key && key->timestamp() == last.at;
}

void HeldInput::releaseShownPress()
{
    // A press whose release never came (a message box took the pointer meanwhile) is no click.
    if (m_pressed)
        std::exchange(m_pressed, nullptr)->setDown(false);
}
