#pragma once

#include <QWidget>

// A top-level screen of the program. The close box never closes a screen; a close that the
// program itself asks for, or that the desktop session sends as it ends, goes through.
class ScreenWindow : public QWidget
{
    Q_OBJECT

public:
    // Why a close was asked for: from the window's close box, or by the program itself.
    enum UnloadMode { FromControlMenu = 0, FromCode = 1 };

    explicit ScreenWindow(QWidget *parent = nullptr);

    // Sets Cancel when UnloadMode is FromControlMenu; lets every other request through.
    void Form_QueryUnload(bool &Cancel, int UnloadMode);

    // Places the window so that its client area's top-left corner is at `clientTopLeft`.
    void placeClientArea(QPoint clientTopLeft);

protected:
    void closeEvent(QCloseEvent *event) override;
};
