#include "media/audiooutput.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include "media/sdlaudio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
// Asked of the device the first time; it may offer another rate, which later openings keep.
constexpr int PreferredRate = 48000;
// PulseAudio drops the first millisecond or so of a stream that joins a running sink (measured:
// 49 to 61 frames at 48 kHz), so a device opened for a clip begins with this much silence.
constexpr auto LeadIn = std::chrono::milliseconds(5);

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
    if (m_state == State::Failed)
        return false;
    if (m_state == State::Ready) {
        // SDL keeps calling a device it has lost, with nothing reaching the speakers; the device
        // is shut and opened again when the clip is queued.
        if (m_device != 0
            && (m_simulatedLoss
                || SdlAudio::get()->GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED)) {
            reportLost("the sound server let the device go");
            closeDevice();
            stopDriver();
        }
        return true;
    }

    const SdlAudio *sdl = SdlAudio::get();
    if (!sdl || !startDriver() || !openDevice(true)) {
        m_state = State::Failed;
        if (!m_reportedFailure)
            std::fprintf(stderr,
                "pikomoji: no sound output (%s: %s); voice clips will not be heard\n",
                !sdl                  ? "cannot load SDL"
                    : m_driverStarted ? "cannot open the sound device"
                                      : "cannot start audio",
                sdl ? sdl->GetError() : qPrintable(SdlAudio::loadError()));
        m_reportedFailure = true;
        stopDriver();
        return false;
    }
    m_state = State::Ready;
    m_wake = QAbstractEventDispatcher::instance();
    static bool exitHookAdded = false;
    if (!exitHookAdded && QCoreApplication::instance()) {
        qAddPostRoutine(closeAtExit);
        exitHookAdded = true;
    }
    return true;
}

bool AudioOutput::startDriver()
{
    if (m_driverStarted)
        return true;
    const SdlAudio *sdl = SdlAudio::get();
    // SDL's event subsystem, which audio brings along, would otherwise take over Ctrl+C.
    sdl->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl->SetHint(
        SDL_HINT_AUDIO_DEVICE_APP_NAME, qPrintable(QGuiApplication::applicationDisplayName()));
    m_driverStarted = sdl->InitSubSystem(SDL_INIT_AUDIO) == 0;
    return m_driverStarted;
}

void AudioOutput::stopDriver()
{
    if (m_driverStarted)
        SdlAudio::get()->QuitSubSystem(SDL_INIT_AUDIO);
    m_driverStarted = false;
}

// Opens the device paused. The first time it learns the format; later it asks for that format
// exactly, SDL converting if the device now plays another, so the clips already converted fit.
bool AudioOutput::openDevice(bool learnFormat)
{
    const SdlAudio *sdl = SdlAudio::get();
    // SDL raises its device thread to its highest priority; with this it asks for real-time
    // scheduling, which a sound thread needs on a busy machine to be on time.
    sdl->SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, m_tuning.realtime ? "1" : "0");
    SDL_AudioSpec wanted{};
    wanted.freq = learnFormat ? PreferredRate : m_format.rate;
    wanted.format = learnFormat ? AUDIO_S16SYS : m_format.sampleFormat;
    wanted.channels = Uint8(learnFormat ? 2 : m_format.channels);
    wanted.samples = Uint16(m_tuning.bufferFrames);
    wanted.callback = &AudioOutput::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    m_device = sdl->OpenAudioDevice(nullptr, 0, &wanted, &obtained,
        learnFormat ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE
                | SDL_AUDIO_ALLOW_CHANNELS_CHANGE
                    : 0);
    m_playing = false;
    m_simulatedLoss = false;
    if (m_device == 0)
        return false;
    if (learnFormat) {
        m_format.rate = obtained.freq;
        m_format.channels = obtained.channels;
        m_format.sampleFormat = obtained.format;
        m_format.frameBytes = int(SDL_AUDIO_BITSIZE(obtained.format) / 8 * obtained.channels);
        m_silence = obtained.silence;
    }
    m_leadIn = int(m_format.rate * LeadIn.count() / 1000) * m_format.frameBytes;
    // SDL's dummy and disk drivers consume a buffer in real time right after taking it. A sound
    // server keeps about one buffer queued ahead of the one playing, so a buffer taken now is
    // heard one buffer later.
    const QByteArray driver = sdl->GetCurrentAudioDriver();
    m_outputDelay = driver == "dummy" || driver == "disk" ? std::chrono::nanoseconds(0)
                                                          : m_format.duration(obtained.samples);
    if (!m_idle && QCoreApplication::instance()) {
        m_idle = new QTimer;
        m_idle->setSingleShot(true);
        QObject::connect(m_idle, &QTimer::timeout, [this] {
            if (m_clips.empty())
                closeDevice();
        });
    }
    return true;
}

void AudioOutput::closeDevice()
{
    if (m_device != 0)
        SdlAudio::get()->CloseAudioDevice(m_device);
    m_device = 0;
    m_playing = false;
    m_simulatedLoss = false;
    m_clips.clear();
    if (m_idle)
        m_idle->stop();
}

// Opens the device again after it was let go or lost. A failure may mean that the sound server
// behind SDL's driver went away, so the driver is started afresh and asked once more.
bool AudioOutput::reopen()
{
    const SdlAudio *sdl = SdlAudio::get();
    if (!(m_driverStarted && openDevice(false))) {
        stopDriver();
        if (!startDriver() || !openDevice(false)) {
            reportLost(sdl->GetError());
            return false;
        }
    }
    if (m_lost) {
        std::fprintf(stderr, "pikomoji: sound is back (%s)\n", sdl->GetCurrentAudioDriver());
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
    closeDevice();
    stopDriver();
    delete m_idle;
    m_idle = nullptr;
    m_wake = nullptr;
    m_lost = false;
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
    if (m_device == 0) {
        // Queued before the device opens, so that its first buffer already holds the clip.
        m_clips.push_back(Clip{ticket, samples, 0, {}});
        if (!reopen()) {
            m_clips.clear();
            m_unheard = ticket;
        }
    } else {
        const DeviceLock lock(m_device);
        m_clips.push_back(Clip{ticket, samples, 0, {}});
    }
    if (m_device != 0 && !m_playing) {
        SdlAudio::get()->PauseAudioDevice(m_device, 0);
        m_playing = true;
    }
    return ticket;
}

std::optional<AudioOutput::Times> AudioOutput::times(quint64 ticket)
{
    if (ticket == m_unheard)
        return Times{};
    if (m_state != State::Ready || m_device == 0)
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
    if (m_state != State::Ready || m_device == 0)
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
    if (m_clips.empty() && m_idle)
        m_idle->start(m_tuning.idleRelease);
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
    int filled = std::min(m_leadIn, length);
    std::memset(stream, m_silence, size_t(filled));
    m_leadIn -= filled;
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
