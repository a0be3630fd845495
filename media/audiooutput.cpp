#include "media/audiooutput.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>

#include "media/pulsebackend.h"
#include "media/sdlbackend.h"

#include <cstdio>

namespace {
void closeAtExit()
{
    AudioOutput::instance().close();
}

// libpulse is asked first unless SDL_AUDIODRIVER names another of SDL's drivers (tests choose
// "dummy" or "disk" so); where no server answers, SDL picks whatever the machine has.
bool serverWanted(const AudioOutput::Tuning &tuning)
{
    if (tuning.sdlOnly)
        return false;
    const QByteArray driver = qgetenv("SDL_AUDIODRIVER").split(',').first().trimmed();
    return driver.isEmpty() || driver == "pulseaudio" || driver == "pulse" || driver == "pipewire";
}
} // namespace

AudioOutput &AudioOutput::instance()
{
    // Never destroyed: the output's threads must not outlive the object they call, and close()
    // at the application's end stops them first.
    static AudioOutput *output = new AudioOutput;
    return *output;
}

bool AudioOutput::open()
{
    if (m_state == State::Failed)
        return false;
    if (m_state == State::Ready) {
        if (m_simulatedLoss || m_backend->lost()) {
            reportLost("the sound server let the output go");
            m_backend->stop();
            m_simulatedLoss = false;
        }
        return true;
    }

    QAbstractEventDispatcher *wake = QAbstractEventDispatcher::instance();
    if (serverWanted(m_tuning)) {
        m_backend = std::make_unique<PulseBackend>();
        if (!m_backend->start(m_tuning, wake))
            m_backend.reset();
    }
    if (!m_backend) {
        m_backend = std::make_unique<SdlBackend>();
        if (!m_backend->start(m_tuning, wake)) {
            m_state = State::Failed;
            if (!m_reportedFailure)
                std::fprintf(stderr,
                    "pikomoji: no sound output (%s); voice clips will not be heard\n",
                    m_backend->error().constData());
            m_reportedFailure = true;
            m_backend.reset();
            return false;
        }
    }
    m_format = m_backend->format();
    m_state = State::Ready;
    if (!m_idle && QCoreApplication::instance()) {
        m_idle = new QTimer;
        m_idle->setSingleShot(true);
        QObject::connect(m_idle, &QTimer::timeout, [this] {
            if (m_backend && !m_backend->busy())
                m_backend->closeDevice();
        });
    }
    static bool exitHookAdded = false;
    if (!exitHookAdded && QCoreApplication::instance()) {
        qAddPostRoutine(closeAtExit);
        exitHookAdded = true;
    }
    return true;
}

// Opens the output again after it was let go or lost.
bool AudioOutput::reopen()
{
    if (!m_backend->reopen()) {
        reportLost(m_backend->error().constData());
        return false;
    }
    if (m_lost) {
        std::fprintf(stderr, "pikomoji: sound is back (%s)\n", m_backend->name());
        m_lost = false;
    }
    return true;
}

void AudioOutput::reportLost(const char *why)
{
    if (!m_lost)
        std::fprintf(stderr, "pikomoji: sound output lost (%s); trying again at each clip\n", why);
    m_lost = true;
}

void AudioOutput::close()
{
    if (m_backend)
        m_backend->stop();
    m_backend.reset();
    delete m_idle;
    m_idle = nullptr;
    m_lost = false;
    m_simulatedLoss = false;
    m_unheard = 0;
    m_state = State::Closed;
}

quint64 AudioOutput::queue(const QByteArray &samples)
{
    const quint64 ticket = ++m_lastTicket;
    if (m_state != State::Ready)
        return ticket; // never heard; times() stays empty
    if (m_idle)
        m_idle->stop();
    if (!m_backend->deviceOpen() && !reopen()) {
        m_unheard = ticket;
        return ticket;
    }
    m_backend->play(ticket, samples);
    return ticket;
}

std::optional<AudioOutput::Times> AudioOutput::times(quint64 ticket)
{
    if (ticket == m_unheard)
        return Times{};
    if (m_state != State::Ready)
        return std::nullopt;
    return m_backend->times(ticket);
}

void AudioOutput::release(quint64 ticket)
{
    if (m_state != State::Ready)
        return;
    if (const std::optional<Times> played = m_backend->release(ticket))
        m_lastClip = played;
    if (m_idle && !m_backend->busy() && !m_backend->keptWhenIdle())
        m_idle->start(m_tuning.idleRelease);
}
