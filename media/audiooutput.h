#pragma once

#include "media/audiobackend.h"

#include <QByteArray>

#include <memory>
#include <optional>

class QTimer;

// The sound output that voice clips play on. On PulseAudio and PipeWire it is a stream of the
// sound server's own, to which each clip is handed whole; everywhere else (another
// SDL_AUDIODRIVER, no server answering, other platforms) an SDL device. It is made ready at the
// first clip and let go when no clip has played for a second, so the sound server may suspend the
// sink and the program does not wake for silence; the next clip opens it again. Output the sound
// server took away (the server restarted, the last card unplugged) is noticed at the next clip,
// said on standard error, and opened afresh on whatever the server offers then. Clips play in the
// order they were queued, one after another, never mixed. Used from the user-interface thread
// only.
class AudioOutput
{
public:
    using Clock = AudioBackend::Clock;
    using Times = AudioBackend::Times;
    using Tuning = AudioBackend::Tuning;

    static AudioOutput &instance();

    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;

    // Makes the sound output ready for a clip. A machine without sound output says so once per
    // run on standard error, and every later call returns false at once. Output lost since the
    // last clip is said to be lost here, and opened again when the next clip is queued.
    bool open();
    // Closes the output. The next open() starts afresh, choosing the way to play again.
    void close();

    const AudioFormat &format() const { return m_format; }

    // Queues samples in format() behind the clips still playing, opening the output if it was
    // let go; returns the clip's ticket.
    quint64 queue(const QByteArray &samples);
    // The clip's times once its last frame has been played, else nothing. A clip that found no
    // output to play on has ended at once: its times are the clock's epoch.
    std::optional<Times> times(quint64 ticket);
    // Forgets the clip, cutting it short if it is still playing.
    void release(quint64 ticket);

    // The times of the last clip released after playing to its end; for measurements.
    std::optional<Times> lastClip() const { return m_lastClip; }

    // For measurements and tests: the output's settings (taking effect when it is next opened),
    // the way it plays now, whether its device or stream is open, and output taken to be lost as
    // if the server had said so.
    void setTuning(const Tuning &tuning) { m_tuning = tuning; }
    const Tuning &tuning() const { return m_tuning; }
    AudioBackend *backend() const { return m_backend.get(); }
    bool deviceOpen() const { return m_backend && m_backend->deviceOpen(); }
    void simulateLoss() { m_simulatedLoss = deviceOpen(); }

private:
    AudioOutput() = default;
    bool reopen();
    void reportLost(const char *why);

    enum class State { Closed, Ready, Failed };
    State m_state = State::Closed;
    bool m_reportedFailure = false;
    bool m_lost = false; // sound was said to be lost and has not come back yet
    bool m_simulatedLoss = false;
    Tuning m_tuning;
    std::unique_ptr<AudioBackend> m_backend;
    AudioFormat m_format;
    quint64 m_unheard = 0; // the last ticket that found no output
    QTimer *m_idle = nullptr; // lets the output go when no clip has played for a while
    quint64 m_lastTicket = 0;
    std::optional<Times> m_lastClip;
};
