#pragma once

#include "media/audioformat.h"

#include <QByteArray>

#include <chrono>
#include <deque>
#include <optional>

class QAbstractEventDispatcher;
class QTimer;

// The sound device that voice clips play on. It is opened at the first clip and let go when no
// clip has played for a second, so the sound server may suspend the sink and the program does not
// wake for silence; the next clip opens it again. A device the sound server took away (the server
// restarted, the last card unplugged) is noticed at the next clip, said on standard error, and
// opened afresh on whatever the server offers then. Clips play in the order they were queued, one
// after another, never mixed. Used from the user-interface thread only; the device's own thread
// only takes samples.
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

    // How the device is driven. The defaults are what the program uses; measurements try others.
    struct Tuning
    {
        // 1024 frames at 48 kHz are 21 ms: how much the sound server keeps queued, and so how
        // late the device's thread may run before a clip has a gap.
        int bufferFrames = 1024;
        // Asks for the device's thread to run at real-time priority (granted to root, or by
        // RealtimeKit on a desktop); otherwise SDL asks for the highest nice level it may have.
        bool realtime = true;
        // How long the device stays open after a clip, playing silence, before it is let go.
        std::chrono::milliseconds idleRelease{1000};
    };

    static AudioOutput &instance();

    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;

    // Makes the sound output ready for a clip. A machine without sound output says so once per
    // run on standard error, and every later call returns false at once. A device lost since the
    // last clip is said to be lost here, and opened again when the next clip is queued.
    bool open();
    // Closes the device. The next open() starts afresh, reading SDL_AUDIODRIVER again.
    void close();

    const AudioFormat &format() const { return m_format; }

    // Queues samples in format() behind the clips still playing, opening the device if it was
    // let go; returns the clip's ticket.
    quint64 queue(const QByteArray &samples);
    // The clip's times once its last frame has been taken by the device, else nothing. A clip that
    // found no device to play on has ended at once: its times are the clock's epoch.
    std::optional<Times> times(quint64 ticket);
    // Forgets the clip, cutting it short if it is still playing.
    void release(quint64 ticket);

    // The times of the last clip released after playing to its end; for measurements.
    std::optional<Times> lastClip() const { return m_lastClip; }

    // For measurements and tests: the device's settings (taking effect when it is next opened),
    // whether a device is open now, and a device taken to be lost as if SDL had said so.
    void setTuning(const Tuning &tuning) { m_tuning = tuning; }
    const Tuning &tuning() const { return m_tuning; }
    bool deviceOpen() const { return m_device != 0; }
    void simulateLoss() { m_simulatedLoss = m_device != 0; }

private:
    AudioOutput() = default;
    static void callback(void *output, quint8 *stream, int length);
    void fill(quint8 *stream, int length);
    bool startDriver();
    void stopDriver();
    bool openDevice(bool learnFormat);
    void closeDevice();
    bool reopen();
    void reportLost(const char *why);
    void releaseWhenIdle();

    struct Clip
    {
        quint64 ticket = 0;
        QByteArray samples;
        qsizetype taken = 0; // bytes handed to the device so far
        Times times;
    };

    enum class State { Closed, Ready, Failed };
    State m_state = State::Closed;
    bool m_reportedFailure = false;
    bool m_driverStarted = false; // SDL's audio subsystem
    bool m_lost = false; // sound was said to be lost and has not come back yet
    bool m_simulatedLoss = false;
    bool m_playing = false; // the device was unpaused
    Tuning m_tuning;
    quint32 m_device = 0; // SDL_AudioDeviceID; 0 while let go
    quint64 m_unheard = 0; // the last ticket that found no device
    AudioFormat m_format;
    quint8 m_silence = 0;
    int m_leadIn = 0; // bytes of silence the device plays before its first clip

    std::chrono::nanoseconds m_outputDelay{0}; // from taking a buffer to hearing its start
    QAbstractEventDispatcher *m_wake = nullptr; // woken when a clip's last frame is taken
    QTimer *m_idle = nullptr; // lets the device go when no clip has played for a while
    quint64 m_lastTicket = 0;
    std::deque<Clip> m_clips; // guarded by the device lock
    std::optional<Times> m_lastClip;
};
