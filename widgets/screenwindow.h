#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

// A top-level screen of the program. The close box never closes a screen; a close that the
// program itself asks for, or that the desktop session sends as it ends, goes through.
//
// Every handler that Qt calls on a screen is entered through handle() or handleMove(), the one
// boundary between Qt and the program's logic, which HeldInput keeps: handlers run one at a time
// and to their end, input that comes while one runs is held and handled after it in order, and
// an error a handler raises goes to the default error report.
//
// Also common to every screen: Return and keypad Enter press the focused button as Space does; a
// screen that is shown gets the keyboard; and F11 switches every screen to full screen and back
// (Escape too, back), where the whole layout is scaled by one factor and centred.
class ScreenWindow : public QWidget
{
    Q_OBJECT

public:
    // Why a close was asked for: from the window's close box, or by the program itself.
    enum CloseRequest { FromControlMenu = 0, FromCode = 1 };

    explicit ScreenWindow(QWidget *parent = nullptr);

    // Sets Cancel when UnloadMode is FromControlMenu; lets every other request through.
    void Form_QueryUnload(bool &Cancel, int UnloadMode);

    // The client area's size at design time; what full screen scales from.
    void setClientSize(QSize size);

    // Places the window so that its client area's top-left corner is at `clientTopLeft`, or as
    // near as keeps the whole window on the screen's available area.
    void placeClientArea(QPoint clientTopLeft);

    // Full screen for every screen, the one shown now and every one shown after it.
    static void setFullScreen(bool on);
    static bool fullScreen();
    // The factor the layout is drawn at: 1 in a window, the fit to the display in full screen.
    qreal layoutScale() const { return m_scale; }
    // The layout scale of the screen `control` stands on; 1 off any screen.
    static qreal layoutScale(const QWidget *control);

    void setVisible(bool visible) override;

    // Runs a click's or a key's handler now, or after the handler that is running.
    void handle(std::function<void()> handler);
    // The same for the pointer resting on a control: of consecutive moves held while a handler
    // runs only the last counts, wherever it ended.
    void handleMove(std::function<void()> handler);

    // Connects a button's click to a handler of this screen, through handle().
    template <typename Screen> void onClick(QAbstractButton *button, void (Screen::*handler)())
    {
        connect(button, &QAbstractButton::clicked, this, [this, handler] {
            handle([this, handler] { (static_cast<Screen *>(this)->*handler)(); });
        });
    }

    // True while any screen's handler runs.
    static bool handlerRunning();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // A control's font and icon size at the design size, kept while the layout is scaled.
    struct DesignLook
    {
        QPointer<QWidget> control;
        QFont font;
        bool ownFont;
        QSize iconSize;
    };

    void applyScreenMode();
    void layOut();

    QSize m_clientSize;
    QRect m_normalGeometry; // where the window stood before full screen
    qreal m_scale = 1;
    QPoint m_offset; // of the scaled layout inside the client area
    std::vector<DesignLook> m_designLook; // filled while the layout is scaled
};
