#include "media/sdlbackend.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>

#include "media/sdlaudio.h"

#include <algorithm>
#include <cstring>

namespace {
// Asked of the device the first time; it may offer another rate, which later openings keep.
constexpr int PreferredRate = 48000;
// PulseAudio drops the first millisecond or so of a stream that joins a running sink (measured:
// 49 to 61 frames at 48 kHz), so a device opened for a clip begins with this much silence.
constexpr auto LeadIn = std::chrono::milliseconds(5);

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

SdlBackend::~SdlBackend()
{
    stop();
}

bool SdlBackend::start(const Tuning &tuning, QAbstractEventDispatcher *wake)
{
    m_tuning = tuning;
    m_wake = wake;
    if (!SdlAudio::get()) {
        m_error = "cannot load SDL: " + SdlAudio::loadError().toUtf8();
        return false;
    }
    if (!startDriver()) {
        noteError("cannot start audio");
        return false;
    }
    if (!openDevice(true)) {
        noteError("cannot open the sound device");
        stopDriver();
        return false;
    }
    return true;
}

void SdlBackend::stop()
{
    closeDevice();
    stopDriver();
}

const char *SdlBackend::name() const
{
    const SdlAudio *sdl = SdlAudio::get();
    const char *driver = sdl && m_driverStarted ? sdl->GetCurrentAudioDriver() : nullptr;
    return driver ? driver : "SDL";
}

void SdlBackend::noteError(const char *what)
{
    m_error = QByteArray(what) + ": " + SdlAudio::get()->GetError();
}

bool SdlBackend::startDriver()
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

void SdlBackend::stopDriver()
{
    if (m_driverStarted)
        SdlAudio::get()->QuitSubSystem(SDL_INIT_AUDIO);
    m_driverStarted = false;
}

// Opens the device paused. The first time it learns the format; later it asks for that format
// exactly, SDL converting if the device now plays another, so the clips already converted fit.
bool SdlBackend::openDevice(bool learnFormat)
{
    const SdlAudio *sdl = SdlAudio::get();
    // SDL raises its device thread to its highest priority. Without RealtimeKit the real-time
    // hint leaves that thread at nice 0 instead of the best nice level it may have, and a busy
    // machine then starves it (measured: more clips with gaps), so it is asked for only when
    // measuring.
    sdl->SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, m_tuning.realtime ? "1" : "0");
    SDL_AudioSpec wanted{};
    wanted.freq = learnFormat ? PreferredRate : m_format.rate;
    wanted.format = learnFormat ? AUDIO_S16SYS : m_format.sampleFormat;
    wanted.channels = Uint8(learnFormat ? 2 : m_format.channels);
    wanted.samples = Uint16(m_tuning.bufferFrames);
    wanted.callback = &SdlBackend::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    m_device = sdl->OpenAudioDevice(nullptr, 0, &wanted, &obtained,
        learnFormat ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE
                | SDL_AUDIO_ALLOW_CHANNELS_CHANGE
                    : 0);
    m_playing = false;
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
    return true;
}

void SdlBackend::closeDevice()
{
    if (m_device != 0)
        SdlAudio::get()->CloseAudioDevice(m_device);
    m_device = 0;
    m_playing = false;
    m_clips.clear();
}

// SDL keeps calling a device it has lost, with nothing reaching the speakers.
bool SdlBackend::lost()
{
    return m_device != 0 && SdlAudio::get()->GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

// A failure may mean that the sound server behind SDL's driver went away, so the driver is
// started afresh and asked once more.
bool SdlBackend::reopen()
{
    closeDevice();
    if (m_driverStarted && openDevice(false))
        return true;
    stopDriver();
    if (startDriver() && openDevice(false))
        return true;
    noteError("cannot open the sound device");
    return false;
}

void SdlBackend::play(quint64 ticket, const QByteArray &samples)
{
    if (m_device == 0)
        return;
    {
        const DeviceLock lock(m_device);
        m_clips.push_back(Clip{ticket, samples, 0, {}});
    }
    if (!m_playing) {
        SdlAudio::get()->PauseAudioDevice(m_device, 0);
        m_playing = true;
    }
}

std::optional<AudioBackend::Times> SdlBackend::times(quint64 ticket)
{
    if (m_device == 0)
        return std::nullopt;
    const DeviceLock lock(m_device);
    const auto clip = std::find_if(m_clips.begin(), m_clips.end(),
        [ticket](const Clip &queued) { return queued.ticket == ticket; });
    if (clip == m_clips.end() || clip->taken < clip->samples.size())
        return std::nullopt;
    return clip->times;
}

std::optional<AudioBackend::Times> SdlBackend::release(quint64 ticket)
{
    if (m_device == 0)
        return std::nullopt;
    QByteArray samples; // freed after the lock is let go
    const DeviceLock lock(m_device);
    const auto clip = std::find_if(m_clips.begin(), m_clips.end(),
        [ticket](const Clip &queued) { return queued.ticket == ticket; });
    if (clip == m_clips.end())
        return std::nullopt;
    std::optional<Times> played;
    if (clip->taken == clip->samples.size())
        played = clip->times;
    samples.swap(clip->samples);
    m_clips.erase(clip);
    return played;
}

bool SdlBackend::busy()
{
    return !m_clips.empty();
}

void SdlBackend::callback(void *backend, quint8 *stream, int length)
{
    static_cast<SdlBackend *>(backend)->fill(stream, length);
}

// Runs on the device's thread with the device lock held: copies samples, notes the times, and
// neither allocates nor frees.
void SdlBackend::fill(quint8 *stream, int length)
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
