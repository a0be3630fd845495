#include "media/voiceinputhold.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}
} // namespace

VoiceInputHold::VoiceInputHold()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installEventFilter(this);
}

VoiceInputHold::~VoiceInputHold()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
    // Posted, not sent: the handler that played the clip finishes before any of them runs.
    for (Held &held : m_held)
        if (held.receiver)
            QCoreApplication::postEvent(held.receiver, held.event.release());
}

bool VoiceInputHold::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event->type()))
        return false;
    // Pointer movement during a clip counts once, where the pointer came to rest; presses and
    // releases are all kept.
    if (event->type() == QEvent::MouseMove && !m_held.empty() && m_held.back().receiver == watched
        && m_held.back().event->type() == QEvent::MouseMove)
        m_held.back().event.reset(event->clone());
    else
        m_held.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
    event->accept();
    return true;
}
