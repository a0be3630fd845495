#pragma once

#include "media/audioformat.h"

#include <QByteArray>

#include <chrono>
#include <deque>
#include <optional>

class QAbstractEventDispatcher;

// The sound device that voice clips play on. It is opened at the first clip and stays open for
// the rest of the run, playing silence between clips. Clips play in the order they were queued,
// one after another, never mixed. Used from the user-interface thread only; the device's own
// thread only takes samples.
class AudioOutput
{
public:
    using Clock = std::chrono::steady_clock;

    // When a clip was heard, on the device's timeline.
    struct Times
    {
        Clock::time_point firstSample; // its first frame was handed to the device
        Clock::time_point end; // its last frame has been heard
    };

    static AudioOutput &instance();

    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;

    // Opens the device unless it is open. A machine without sound output says so once per run
    // on standard error, and every later call returns false at once.
    bool open();
    // Closes the device. The next open() starts afresh, reading SDL_AUDIODRIVER again.
    void close();

    const AudioFormat &format() const { return m_format; }

    // Queues samples in format() behind the clips still playing; returns the clip's ticket.
    quint64 queue(const QByteArray &samples);
    // The clip's times once its last frame has been taken by the device, else nothing.
    std::optional<Times> times(quint64 ticket);
    // Forgets the clip, cutting it short if it is still playing.
    void release(quint64 ticket);

    // The times of the last clip released after playing to its end; for measurements.
    std::optional<Times> lastClip() const { return m_lastClip; }

private:
    AudioOutput() = default;
    static void callback(void *output, quint8 *stream, int length);
    void fill(quint8 *stream, int length);

    struct Clip
    {
        quint64 ticket = 0;
        QByteArray samples;
        qsizetype taken = 0; // bytes handed to the device so far
        Times times;
    };

    enum class State { Closed, Open, Failed };
    State m_state = State::Closed;
    bool m_reportedFailure = false;
    quint32 m_device = 0; // SDL_AudioDeviceID
    AudioFormat m_format;
    quint8 m_silence = 0;
    std::chrono::nanoseconds m_outputDelay{0}; // from taking a buffer to hearing its start
    QAbstractEventDispatcher *m_wake = nullptr; // woken when a clip's last frame is taken
    quint64 m_lastTicket = 0;
    std::deque<Clip> m_clips; // guarded by the device lock
    std::optional<Times> m_lastClip;
};
