#include "media/voice.h"

#include "media/audioclip.h"
#include "media/audiooutput.h"
#include "media/pulseaudio.h"
#include "media/sdlaudio.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <thread>

namespace Voice {
namespace {
using Clock = AudioOutput::Clock;

// How long past its length a clip may take before the device is taken to have stalled.
constexpr auto StallAllowance = std::chrono::seconds(2);

Player &replacement()
{
    static Player player;
    return player;
}

// Waits until `deadline` or until something happens, whichever is first, painting and running
// timers meanwhile. Input is let in too: the screens' handler boundary holds the handler calls it
// asks for until the handler that plays this clip has returned.
void waitUntil(Clock::time_point deadline, QTimer &timer)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0)
        return;
    if (!QAbstractEventDispatcher::instance()) { // no event loop to keep going: look again soon
        std::this_thread::sleep_until(
            std::min(deadline, Clock::now() + std::chrono::milliseconds(1)));
        return;
    }
    timer.start(left);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
} // namespace

void prepare()
{
    SdlAudio::preload();
    QThreadPool::globalInstance()->start([] { PulseAudio::get(); });
}

void play(const QString &path)
{
    if (replacement())
        replacement()(path);
    else
        playThrough(path);
}

void playThrough(const QString &path)
{
    AudioOutput &output = AudioOutput::instance();
    if (!output.open())
        return;
    const AudioClip clip = AudioClip::read(path, output.format());
    if (clip.isNull())
        return;

    const quint64 ticket = output.queue(clip.samples());
    const Clock::time_point stalled
        = Clock::now() + output.format().duration(clip.frames()) + StallAllowance;
    QTimer timer; // its only job is to wake the wait below on time
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    // The device's thread wakes the wait when it has taken the clip's last frame; from then on
    // the clip's end is known to the microsecond and the wait runs to exactly that moment.
    for (;;) {
        const std::optional<AudioOutput::Times> times = output.times(ticket);
        const Clock::time_point deadline = times ? times->end : stalled;
        if (Clock::now() >= deadline)
            break;
        waitUntil(deadline, timer);
    }
    output.release(ticket);
}

void setPlayer(Player player)
{
    replacement() = std::move(player);
}

} // namespace Voice
