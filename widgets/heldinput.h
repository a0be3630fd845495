#pragma once

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

class QAbstractButton;
class QKeyEvent;
class QMouseEvent;
class QWidget;

// The one boundary between Qt and the program's handlers, and the application's one queue of
// input held while a handler runs.
//
// Handlers run one at a time and to their end. A handler that plays a clip keeps the screens
// painting while it waits, and input keeps arriving meanwhile; everything it asks for is held
// here, in the order it came, and run once the running handler has returned, as if it had come
// then:
// - handler calls (a click on a label, a button's click, F11);
// - presses on buttons, option buttons included: the press only shows on the button, and the
//   click is held, so neither the focus nor an option changes ahead of a held call;
// - keys, each handled by the control that has the focus when it runs (Tab, the arrows, Space);
// - pointer rests: consecutive pointer moves collapse into the last, over a control or not, so
//   a pointer that crossed a letter and came to rest on the background speaks nothing.
// A key held down presses once, whatever the window system makes of its repeats.
// Input aimed at a screen that has been hidden meanwhile is dropped. An error a handler raises
// stops here and goes to the default error report, after which nothing held runs.
class HeldInput : public QObject
{
    Q_OBJECT

public:
    static HeldInput &instance();

    // True while any handler runs.
    bool handlerRunning() const { return m_running > 0; }

    // Runs `handler` now, or holds it until the running handler has returned.
    void handle(const QWidget *screen, std::function<void()> handler);
    // The pointer resting on a control of `screen`, whose handler is `handler`.
    void handleRest(const QWidget *screen, std::function<void()> handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit HeldInput(QObject *parent);

    struct Held
    {
        QPointer<const QWidget> screen;
        bool rest; // a pointer rest, which the next rest replaces
        bool handler; // run as a handler; otherwise input, which reaches handle() by itself
        std::function<void()> action;
    };

    void hold(Held held);
    void run(const std::function<void()> &handler);
    void runHeld();
    bool holdPointer(QWidget *screen, const QMouseEvent *event);
    void holdKey(const QWidget *screen, const QKeyEvent *key);
    bool unmarkedRepeat(const QKeyEvent *key);
    void releaseShownPress();

    std::deque<Held> m_held;
    int m_running = 0; // every handler runs on the user-interface thread
    bool m_runningHeld = false;
    QPointer<QAbstractButton> m_pressed; // shown down, its click not yet held
    struct Release
    {
        int key = 0;
        quint64 at = 0;
    } m_lastRelease; // the key released last and when, until the next press
};
