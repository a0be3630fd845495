#include "widgets/screenwindow.h"

#include "widgets/geometry.h"
#include "widgets/heldinput.h"
#include "widgets/screenstyle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

namespace {
bool fullScreenMode = false;

QFont scaledFont(QFont font, qreal factor)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else if (font.pixelSize() > 0)
        font.setPixelSize(qRound(font.pixelSize() * factor));
    return font;
}
} // namespace

ScreenWindow::ScreenWindow(QWidget *parent)
    : QWidget(parent)
{
    ScreenStyle::install();
}

void ScreenWindow::setClientSize(QSize size)
{
    m_clientSize = size;
    resize(size);
}

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
    const QRect frame = frameGeometry(), inside = geometry();
    const QMargins margins(inside.left() - frame.left(), inside.top() - frame.top(),
        frame.right() - inside.right(), frame.bottom() - inside.bottom());
    const QRect client(clientTopLeft, size());
    const QScreen *display = screen();
    const QRect available = display ? display->availableGeometry() : client;
    setGeometry(QRect(fitInside(client, margins, available), size()));
}

void ScreenWindow::setFullScreen(bool on)
{
    fullScreenMode = on;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *screen = qobject_cast<ScreenWindow *>(window); screen && screen->isVisible())
            screen->applyScreenMode();
}

bool ScreenWindow::fullScreen()
{
    return fullScreenMode;
}

qreal ScreenWindow::layoutScale(const QWidget *control)
{
    const auto *screen = control ? qobject_cast<const ScreenWindow *>(control->window()) : nullptr;
    return screen ? screen->m_scale : 1.0;
}

void ScreenWindow::setVisible(bool visible)
{
    if (visible)
        applyScreenMode();
    QWidget::setVisible(visible);
    // A desktop without a window manager, or with one that leaves new windows unfocused, would
    // otherwise leave the keyboard with the screen that was just hidden.
    if (visible)
        activateWindow();
}

void ScreenWindow::applyScreenMode()
{
    const Qt::WindowStates state = windowState();
    const Qt::WindowStates wanted
        = fullScreenMode ? state | Qt::WindowFullScreen : state & ~Qt::WindowFullScreen;
    if (wanted == state)
        return;
    // The window system carries out the state when a window manager does; with none (a kiosk, a
    // bare X session) nobody would, so the window also asks for the display's whole area itself,
    // and for its own place back, which a hidden window would not otherwise get either.
    // (A geometry set in full screen would end it: the display's area is asked for first.)
    if (fullScreenMode) {
        m_normalGeometry = geometry();
        if (const QScreen *display = screen())
            setGeometry(display->geometry());
    }
    setWindowState(wanted);
    if (!fullScreenMode && m_normalGeometry.isValid())
        setGeometry(m_normalGeometry);
    layOut(); // the size may have come before the state
}

void ScreenWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

// In a window every control stands where its layout table puts it, whatever the window's size. In
// full screen the whole layout is scaled by the one factor that fits the design's client area
// into the display and centred: places, fonts and icons alike, so letters are drawn at their new
// size rather than stretched.
void ScreenWindow::layOut()
{
    qreal scale = 1;
    QPoint offset;
    if (isFullScreen() && m_clientSize.isValid()) {
        scale
            = qMin(width() / qreal(m_clientSize.width()), height() / qreal(m_clientSize.height()));
        offset = QPoint(qRound((width() - m_clientSize.width() * scale) / 2),
            qRound((height() - m_clientSize.height() * scale) / 2));
    }
    if (scale == m_scale && offset == m_offset)
        return;

    if (m_designLook.empty()) {
        m_designLook.push_back({this, font(), testAttribute(Qt::WA_SetFont), {}});
        for (QWidget *control : findChildren<QWidget *>()) {
            const auto *button = qobject_cast<QAbstractButton *>(control);
            const QSize iconSize
                = button && !button->icon().isNull() ? button->iconSize() : QSize();
            if (control->testAttribute(Qt::WA_SetFont) || iconSize.isValid())
                m_designLook.push_back(
                    {control, control->font(), control->testAttribute(Qt::WA_SetFont), iconSize});
        }
    }
    m_scale = scale;
    m_offset = offset;

    for (const DesignLook &look : m_designLook) {
        if (!look.control)
            continue;
        if (scale != 1)
            look.control->setFont(scaledFont(look.font, scale));
        else
            look.control->setFont(look.ownFont ? look.font : QFont());
        if (look.iconSize.isValid())
            static_cast<QAbstractButton *>(look.control.data())
                ->setIconSize(scaledRect(QRect(QPoint(), look.iconSize), scale).size());
    }
    for (QWidget *control : findChildren<QWidget *>()) {
        const QVariant design = control->property(DesignGeometry);
        if (!design.isValid())
            continue;
        const QRect rect = scaledRect(design.toRect(), scale);
        control->setGeometry(control->parentWidget() == this ? rect.translated(offset) : rect);
    }
    if (scale == 1 && offset.isNull())
        m_designLook.clear();
}

bool ScreenWindow::handlerRunning()
{
    return HeldInput::instance().handlerRunning();
}

void ScreenWindow::handle(std::function<void()> handler)
{
    HeldInput::instance().handle(this, std::move(handler));
}

void ScreenWindow::handleMove(std::function<void()> handler)
{
    HeldInput::instance().handleRest(this, std::move(handler));
}

void ScreenWindow::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The focused button has let Return through: it presses it, as Space would.
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget())) {
            if (!event->isAutoRepeat() && button->isEnabled())
                button->click();
            return;
        }
        break;
    case Qt::Key_F11:
        handle([] { setFullScreen(!fullScreen()); });
        return;
    case Qt::Key_Escape:
        if (fullScreen()) {
            handle([] { setFullScreen(false); });
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void ScreenWindow::closeEvent(QCloseEvent *event)
{
    // The window system's close (the close box, the window menu) arrives as a spontaneous event;
    // a close() from the program does not.
    bool cancel = false;
    Form_QueryUnload(cancel, event->spontaneous() ? FromControlMenu : FromCode);
    event->setAccepted(!cancel);
}
