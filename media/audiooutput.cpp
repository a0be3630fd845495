#include "media/audiooutput.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>

#include "media/sdlaudio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
// 960 frames at 48 kHz are 20 ms: a clip waits at most that long for the device to take it. A
// whole number of milliseconds also suits SDL's dummy and disk drivers, which sleep whole
// milliseconds per buffer and would otherwise run fast.
constexpr int PreferredRate = 48000;
constexpr Uint16 BufferFrames = 960;

void closeAtExit()
{
    AudioOutput::instance().close();
}

// Holds the device lock, so the device's thread is not inside fill() meanwhile.
class DeviceLock
{
public:
    explicit DeviceLock(SDL_AudioDeviceID device)
        : m_device(device)
    {
        SdlAudio::get()->LockAudioDevice(m_device);
    }
    ~DeviceLock() { SdlAudio::get()->UnlockAudioDevice(m_device); }
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

private:
    SDL_AudioDeviceID m_device;
};
} // namespace

AudioOutput &AudioOutput::instance()
{
    // Never destroyed: the device's thread must not outlive the object it calls, and close()
    // at the application's end stops that thread first.
    static AudioOutput *output = new AudioOutput;
    return *output;
}

bool AudioOutput::open()
{
    if (m_state == State::Open)
        return true;
    if (m_state == State::Failed)
        return false;

    const SdlAudio *sdl = SdlAudio::get();
    const auto fail = [this, sdl](const char *what) {
        m_state = State::Failed;
        if (!m_reportedFailure)
            std::fprintf(stderr,
                "pikomoji: no sound output (%s: %s); voice clips will not be heard\n", what,
                sdl ? sdl->GetError() : qPrintable(SdlAudio::loadError()));
        m_reportedFailure = true;
    };
    if (!sdl) {
        fail("cannot load SDL");
        return false;
    }
    // SDL's event subsystem, which audio brings along, would otherwise take over Ctrl+C.
    sdl->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl->SetHint(
        SDL_HINT_AUDIO_DEVICE_APP_NAME, qPrintable(QGuiApplication::applicationDisplayName()));
    if (sdl->InitSubSystem(SDL_INIT_AUDIO) != 0) {
        fail("cannot start audio");
        return false;
    }

    SDL_AudioSpec wanted{};
    wanted.freq = PreferredRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = BufferFrames;
    wanted.callback = &AudioOutput::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    m_device = sdl->OpenAudioDevice(nullptr, 0, &wanted, &obtained,
        SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE
            | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (m_device == 0) {
        fail("cannot open the sound device");
        sdl->QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }

    m_format.rate = obtained.freq;
    m_format.channels = obtained.channels;
    m_format.sampleFormat = obtained.format;
    m_format.frameBytes = int(SDL_AUDIO_BITSIZE(obtained.format) / 8 * obtained.channels);
    m_silence = obtained.silence;
    // SDL's dummy and disk drivers consume a buffer in real time right after taking it. A sound
    // card's driver keeps about one buffer queued ahead of the one playing, so a buffer taken now
    // is heard one buffer later.
    const QByteArray driver = sdl->GetCurrentAudioDriver();
    m_outputDelay = driver == "dummy" || driver == "disk" ? std::chrono::nanoseconds(0)
                                                          : m_format.duration(obtained.samples);
    m_wake = QAbstractEventDispatcher::instance();
    m_state = State::Open;

    static bool exitHookAdded = false;
    if (!exitHookAdded && QCoreApplication::instance()) {
        qAddPostRoutine(closeAtExit);
        exitHookAdded = true;
    }
    // The device plays silence from now on; a queued clip starts with the next buffer.
    sdl->PauseAudioDevice(m_device, 0);
    return true;
}

void AudioOutput::close()
{
    if (m_state == State::Open) {
        const SdlAudio *sdl = SdlAudio::get();
        sdl->CloseAudioDevice(m_device);
        sdl->QuitSubSystem(SDL_INIT_AUDIO);
    }
    m_device = 0;
    m_clips.clear();
    m_wake = nullptr;
    m_state = State::Closed;
}

quint64 AudioOutput::queue(const QByteArray &samples)
{
    const quint64 ticket = ++m_lastTicket;
    if (m_state != State::Open)
        return ticket; // never heard; times() stays empty
    const DeviceLock lock(m_device);
    m_clips.push_back(Clip{ticket, samples, 0, {}});
    return ticket;
}

std::optional<AudioOutput::Times> AudioOutput::times(quint64 ticket)
{
    if (m_state != State::Open)
        return std::nullopt;
    const DeviceLock lock(m_device);
    const auto clip = std::find_if(m_clips.begin(), m_clips.end(),
        [ticket](const Clip &queued) { return queued.ticket == ticket; });
    if (clip == m_clips.end() || clip->taken < clip->samples.size())
        return std::nullopt;
    return clip->times;
}

void AudioOutput::release(quint64 ticket)
{
    if (m_state != State::Open)
        return;
    QByteArray samples; // freed after the lock is let go
    const DeviceLock lock(m_device);
    const auto clip = std::find_if(m_clips.begin(), m_clips.end(),
        [ticket](const Clip &queued) { return queued.ticket == ticket; });
    if (clip == m_clips.end())
        return;
    if (clip->taken == clip->samples.size())
        m_lastClip = clip->times;
    samples.swap(clip->samples);
    m_clips.erase(clip);
}

void AudioOutput::callback(void *output, quint8 *stream, int length)
{
    static_cast<AudioOutput *>(output)->fill(stream, length);
}

// Runs on the device's thread with the device lock held: copies samples, notes the times, and
// neither allocates nor frees.
void AudioOutput::fill(quint8 *stream, int length)
{
    const Clock::time_point now = Clock::now();
    const auto at
        = [&](int offset) { return now + m_format.duration(offset / m_format.frameBytes); };
    bool ended = false;
    int filled = 0;
    for (Clip &clip : m_clips) {
        if (filled == length)
            break;
        const qsizetype left = clip.samples.size() - clip.taken;
        if (left == 0)
            continue;
        if (clip.taken == 0)
            clip.times.firstSample = at(filled);
        const int count = int(std::min<qsizetype>(left, length - filled));
        std::memcpy(stream + filled, clip.samples.constData() + clip.taken, size_t(count));
        clip.taken += count;
        filled += count;
        if (clip.taken == clip.samples.size()) {
            // The buffer is heard from now on (after the output's delay), so the clip's last
            // frame is heard `filled` bytes in.
            clip.times.end = at(filled) + m_outputDelay;
            ended = true;
        }
    }
    std::memset(stream + filled, m_silence, size_t(length - filled));
    if (ended && m_wake)
        m_wake->wakeUp();
}
