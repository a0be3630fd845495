#pragma once

#include "media/audioformat.h"

#include <QByteArray>

#include <chrono>
#include <optional>

class QAbstractEventDispatcher;

// One way of getting clips to the speakers: a stream of the sound server's own (libpulse, on
// PulseAudio and PipeWire) or an SDL device (every other driver and platform). AudioOutput owns
// one, chosen when sound is first needed, and keeps for itself what both share: the tickets, the
// idle second, and what is said on standard error. Used from the user-interface thread only.
class AudioBackend
{
public:
    using Clock = std::chrono::steady_clock;

    // When a clip was heard.
    struct Times
    {
        Clock::time_point firstSample; // its first frame reached the sink
        Clock::time_point end; // its last frame has been played
    };

    // How the output is driven. The defaults are what the program uses; measurements try others.
    struct Tuning
    {
        // Only SDL's device, whatever sound server there is: how the program played before it
        // spoke to the sound server itself.
        bool sdlOnly = false;
        // SDL's device buffer. 1024 frames at 48 kHz are 21 ms: how much the sound server keeps
        // queued, and so how late SDL's thread may run before a clip has a gap.
        int bufferFrames = 1024;
        // SDL's real-time hint. Off: without RealtimeKit it leaves the thread at nice 0, while
        // without the hint SDL gives it the best nice level it may have.
        bool realtime = false;
        // How long the output stays ready after a clip before it is let go.
        std::chrono::milliseconds idleRelease{1000};
        // Whether libpulse's stream is let go then too. Corked, it asks nothing of the server and
        // the sink may still suspend, while a new one costs PipeWire 40 to 67 ms to link
        // (measured), so it is kept.
        bool releaseStream = false;
        // How much libpulse's stream keeps queued ahead of the sink. A clip is written whole, so
        // this bounds only how soon a corked stream can start; on PipeWire it also sets the
        // graph's cycle while the program plays alone (40 ms: 256 frames at 48 kHz).
        std::chrono::milliseconds streamTarget{40};
    };

    virtual ~AudioBackend() = default;

    // Connects to the sound system, opens the device and learns its format; false, with the
    // reason in error(), when there is none. `wake` is woken whenever a clip has ended.
    virtual bool start(const Tuning &tuning, QAbstractEventDispatcher *wake) = 0;
    // Closes the device and the connection.
    virtual void stop() = 0;

    virtual const char *name() const = 0; // the driver, for messages
    virtual QByteArray error() const = 0; // why the last step failed
    virtual const AudioFormat &format() const = 0;

    // Whether the sound system let the open device go (it restarted, or the card went away).
    virtual bool lost() = 0;
    // Opens the device again in format() after it was let go or lost, connecting afresh if need be.
    virtual bool reopen() = 0;
    // Lets the device go; the clips still queued are forgotten.
    virtual void closeDevice() = 0;
    virtual bool deviceOpen() const = 0;
    // Whether the open device is kept when no clip has played for the idle second, because
    // keeping it costs nothing.
    virtual bool keptWhenIdle() const { return false; }

    // Plays `samples` (format()) behind the clips queued before, on the open device.
    virtual void play(quint64 ticket, const QByteArray &samples) = 0;
    // The clip's times once its last frame has been played, else nothing.
    virtual std::optional<Times> times(quint64 ticket) = 0;
    // Forgets the clip, cutting it short if it is still playing; its times if it played to its end.
    virtual std::optional<Times> release(quint64 ticket) = 0;
    // Whether a clip is queued or playing.
    virtual bool busy() = 0;
};
