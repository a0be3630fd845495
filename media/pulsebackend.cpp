#include "media/pulsebackend.h"

#include <QAbstractEventDispatcher>
#include <QGuiApplication>

#include "media/pulseaudio.h"

#include <SDL_audio.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace {
using namespace std::chrono;

// The server starts a stream once this much is queued; a whole clip always is.
constexpr auto Prebuffer = milliseconds(5);
// PulseAudio drops the first millisecond or so of a stream that starts on a running sink
// (measured: 49 to 61 frames at 48 kHz), so a clip that starts the stream comes behind this much
// silence.
constexpr auto LeadIn = milliseconds(5);
// How long a server that accepted the connection may take to answer; one that hangs is taken to
// be gone rather than holding the screen.
constexpr auto AnswerTimeout = seconds(3);

// Run once on the loop's thread. That thread moves each clip to the server and hears its end;
// on a busy machine a thread at nice 0 waits behind every busy program before it may do either,
// so it takes the best nice level this user may have (on many desktops none better than 0, and
// then nothing changes).
void raiseLoopThread(pa_mainloop_api *api, pa_defer_event *event, void *)
{
    api->defer_free(event);
    const auto thread = id_t(syscall(SYS_gettid));
    errno = 0;
    const int now = getpriority(PRIO_PROCESS, thread);
    if (errno != 0)
        return;
    for (int nice = -20; nice < now; ++nice)
        if (setpriority(PRIO_PROCESS, thread, nice) == 0)
            return;
}

// Holds the main loop's lock, so its thread is not inside a callback meanwhile.
class LoopLock
{
public:
    explicit LoopLock(pa_threaded_mainloop *loop)
        : m_loop(loop)
    {
        if (m_loop)
            PulseAudio::get()->threaded_mainloop_lock(m_loop);
    }
    ~LoopLock()
    {
        if (m_loop)
            PulseAudio::get()->threaded_mainloop_unlock(m_loop);
    }
    LoopLock(const LoopLock &) = delete;
    LoopLock &operator=(const LoopLock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

// The sink's own format where the clips can be converted to it, so the server need not convert.
struct FormatMatch
{
    pa_sample_format_t pulse;
    SDL_AudioFormat sdl;
};
constexpr FormatMatch Formats[] = {
    {PA_SAMPLE_S16LE, AUDIO_S16LSB},
    {PA_SAMPLE_S16BE, AUDIO_S16MSB},
    {PA_SAMPLE_FLOAT32LE, AUDIO_F32LSB},
    {PA_SAMPLE_FLOAT32BE, AUDIO_F32MSB},
    {PA_SAMPLE_S32LE, AUDIO_S32LSB},
    {PA_SAMPLE_S32BE, AUDIO_S32MSB},
    {PA_SAMPLE_U8, AUDIO_U8},
};
} // namespace

PulseBackend::~PulseBackend()
{
    stop();
}

bool PulseBackend::start(const Tuning &tuning, QAbstractEventDispatcher *wake)
{
    m_wake = wake;
    m_keepStream = !tuning.releaseStream;
    m_streamTarget = tuning.streamTarget;
    if (!PulseAudio::get()) {
        m_error = "cannot load libpulse: " + PulseAudio::loadError().toUtf8();
        return false;
    }
    if (!connect() || !learnFormat()) {
        stop();
        return false;
    }
    return true;
}

void PulseBackend::noteError(const char *what)
{
    const PulseAudio *pa = PulseAudio::get();
    m_error = QByteArray(what) + ": "
        + (m_context ? pa->strerror(pa->context_errno(m_context)) : "no connection");
}

// Waits, with the lock held, until `done` holds or the server has not answered for a while.
template <typename Done> bool PulseBackend::waitFor(Done done)
{
    const PulseAudio *pa = PulseAudio::get();
    struct Timeout
    {
        const PulseAudio *pa;
        pa_threaded_mainloop *loop;
        bool passed = false;
    } timeout{pa, m_loop};
    pa_time_event *timer = pa->context_rttime_new(
        m_context,
        pa->rtclock_now() + pa_usec_t(duration_cast<microseconds>(AnswerTimeout).count()),
        [](pa_mainloop_api *, pa_time_event *, const struct timeval *, void *data) {
            auto *t = static_cast<Timeout *>(data);
            t->passed = true;
            t->pa->threaded_mainloop_signal(t->loop, 0);
        },
        &timeout);
    while (!done() && !timeout.passed)
        pa->threaded_mainloop_wait(m_loop);
    if (timer)
        m_api->time_free(timer);
    return done();
}

// Connects to the server that PULSE_SERVER or the user's session names, never starting one.
bool PulseBackend::connect()
{
    const PulseAudio *pa = PulseAudio::get();
    if (!m_loop) {
        m_loop = pa->threaded_mainloop_new();
        if (!m_loop) {
            m_error = "cannot start libpulse's main loop";
            return false;
        }
        m_api = pa->threaded_mainloop_get_api(m_loop);
        if (pa->threaded_mainloop_start(m_loop) < 0) {
            pa->threaded_mainloop_free(m_loop);
            m_loop = nullptr;
            m_error = "cannot start libpulse's main loop";
            return false;
        }
        const LoopLock lock(m_loop);
        m_api->defer_new(m_api, &raiseLoopThread, nullptr);
    }
    const LoopLock lock(m_loop);
    if (m_context) {
        pa->context_set_state_callback(m_context, nullptr, nullptr);
        pa->context_disconnect(m_context);
        pa->context_unref(m_context);
    }
    m_failed = false;
    const QByteArray name = QGuiApplication::applicationDisplayName().toUtf8();
    m_context = pa->context_new(m_api, name.isEmpty() ? "pikomoji" : name.constData());
    if (!m_context) {
        m_error = "cannot make a libpulse context";
        return false;
    }
    pa->context_set_state_callback(m_context, &PulseBackend::contextChanged, this);
    if (pa->context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        noteError("cannot connect to the sound server");
        return false;
    }
    const bool ready = waitFor([&] {
        const pa_context_state_t state = pa->context_get_state(m_context);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (!ready || pa->context_get_state(m_context) != PA_CONTEXT_READY) {
        noteError("cannot connect to the sound server");
        return false;
    }
    return true;
}

// The default sink's rate and channels, and its sample format where clips can be converted to it.
bool PulseBackend::learnFormat()
{
    const PulseAudio *pa = PulseAudio::get();
    const LoopLock lock(m_loop);
    struct Asked
    {
        PulseBackend *backend;
        bool answered = false;
        pa_sample_spec spec{PA_SAMPLE_S16LE, 48000, 2};
    } asked{this};
    pa_operation *op = pa->context_get_sink_info_by_name(
        m_context, "@DEFAULT_SINK@",
        [](pa_context *, const pa_sink_info *info, int eol, void *data) {
            auto *a = static_cast<Asked *>(data);
            if (info && eol == 0)
                a->spec = info->sample_spec;
            if (eol != 0) {
                a->answered = true;
                PulseAudio::get()->threaded_mainloop_signal(a->backend->m_loop, 0);
            }
        },
        &asked);
    if (!op) {
        noteError("cannot ask the sound server for its sink");
        return false;
    }
    const bool answered = waitFor([&] { return asked.answered || m_failed; });
    if (!answered)
        pa->operation_cancel(op); // its callback must not run after `asked` is gone
    pa->operation_unref(op);
    if (!answered || m_failed) {
        noteError("the sound server did not say what its sink plays");
        return false;
    }
    const auto match = std::find_if(std::begin(Formats), std::end(Formats),
        [&](const FormatMatch &f) { return f.pulse == asked.spec.format; });
    const FormatMatch chosen = match != std::end(Formats) ? *match : Formats[0];
    m_paFormat = chosen.pulse;
    m_format.rate = std::clamp<int>(int(asked.spec.rate), 8000, 192000);
    m_format.channels = std::clamp<int>(asked.spec.channels, 1, 8);
    m_format.sampleFormat = chosen.sdl;
    m_format.frameBytes = int(SDL_AUDIO_BITSIZE(chosen.sdl) / 8 * m_format.channels);
    return true;
}

// Asks the server for a stream. Waiting for its answer costs the caller a round trip to the
// server, which on a busy machine is many milliseconds on the interface thread; without `wait`
// the clips asked for meanwhile are kept and written by the loop's thread once the stream is
// ready.
bool PulseBackend::openStream(bool wait)
{
    const PulseAudio *pa = PulseAudio::get();
    const LoopLock lock(m_loop);
    const pa_sample_spec spec{
        pa_sample_format_t(m_paFormat), quint32(m_format.rate), quint8(m_format.channels)};
    m_stream = pa->stream_new(m_context, "voice", &spec, nullptr);
    if (!m_stream) {
        noteError("cannot make a playback stream");
        return false;
    }
    const auto bytes = [this](milliseconds length) {
        return quint32(m_format.rate * length.count() / 1000 * m_format.frameBytes);
    };
    pa_buffer_attr attr{};
    attr.maxlength = quint32(-1);
    attr.tlength = bytes(m_streamTarget);
    attr.prebuf = bytes(Prebuffer);
    attr.minreq = quint32(-1);
    attr.fragsize = quint32(-1);
    pa->stream_set_state_callback(m_stream, &PulseBackend::streamChanged, this);
    m_written = 0;
    m_draining = false;
    m_corked = true;
    m_ready = false;
    const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    if (pa->stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        noteError("cannot open a playback stream");
        closeStream();
        return false;
    }
    if (!wait)
        return true;
    const bool ready = waitFor([&] {
        const pa_stream_state_t state = pa->stream_get_state(m_stream);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!ready || pa->stream_get_state(m_stream) != PA_STREAM_READY) {
        noteError("cannot open a playback stream");
        closeStream();
        return false;
    }
    return true;
}

// With the lock held.
void PulseBackend::closeStream()
{
    const PulseAudio *pa = PulseAudio::get();
    if (m_stream) {
        pa->stream_set_state_callback(m_stream, nullptr, nullptr);
        pa->stream_disconnect(m_stream);
        pa->stream_unref(m_stream);
    }
    m_stream = nullptr;
    m_clips.clear();
    m_draining = false;
    m_written = 0;
    m_corked = true;
    m_ready = false;
}

void PulseBackend::stop()
{
    const PulseAudio *pa = PulseAudio::get();
    if (!m_loop)
        return;
    {
        const LoopLock lock(m_loop);
        closeStream();
        if (m_context) {
            pa->context_set_state_callback(m_context, nullptr, nullptr);
            pa->context_disconnect(m_context);
        }
    }
    pa->threaded_mainloop_stop(m_loop);
    if (m_context)
        pa->context_unref(m_context);
    m_context = nullptr;
    pa->threaded_mainloop_free(m_loop);
    m_loop = nullptr;
    m_api = nullptr;
}

bool PulseBackend::lost()
{
    if (!m_loop)
        return false;
    const LoopLock lock(m_loop);
    return m_failed;
}

bool PulseBackend::reopen()
{
    closeDevice();
    // A stream let go after an idle second is asked for again on a connection known to work, and
    // nobody waits for it; after a loss the connection is made anew and the stream waited for.
    bool ready = false;
    if (m_loop) {
        const LoopLock lock(m_loop);
        ready = !m_failed && PulseAudio::get()->context_get_state(m_context) == PA_CONTEXT_READY;
    }
    return (ready || connect()) && openStream(!ready);
}

void PulseBackend::closeDevice()
{
    if (!m_loop)
        return;
    const LoopLock lock(m_loop);
    closeStream();
}

void PulseBackend::play(quint64 ticket, const QByteArray &samples)
{
    if (!m_stream)
        return;
    const LoopLock lock(m_loop);
    m_clips.push_back({ticket, samples.size() / m_format.frameBytes, 0, false, {}, {}});
    Clip &clip = m_clips.back();
    if (m_failed)
        clip.ended = true; // never heard; ends at once
    else if (!m_ready)
        clip.unwritten = samples;
    else
        write(clip, samples);
}

// With the lock held: the clip written behind those before it, the stream started if corked.
void PulseBackend::write(Clip &clip, const QByteArray &samples)
{
    const PulseAudio *pa = PulseAudio::get();
    if (m_corked) {
        const QByteArray silence(
            qsizetype(m_format.rate * LeadIn.count() / 1000) * m_format.frameBytes,
            m_format.sampleFormat == AUDIO_U8 ? char(0x80) : char(0));
        pa->stream_write(
            m_stream, silence.constData(), size_t(silence.size()), nullptr, 0, PA_SEEK_RELATIVE);
        m_written += silence.size();
    }
    // Copied by libpulse into the server's shared memory, in one piece.
    pa->stream_write(
        m_stream, samples.constData(), size_t(samples.size()), nullptr, 0, PA_SEEK_RELATIVE);
    m_written += samples.size();
    clip.endOffset = m_written;
    if (m_corked) {
        pa_operation *op = pa->stream_cork(m_stream, 0, nullptr, nullptr);
        if (op)
            pa->operation_unref(op);
        m_corked = false;
    }
    if (!m_draining)
        requestDrain();
}

// With the lock held. The server answers a drain once the stream has nothing left to play, so
// one is asked for at a time: the clips written behind it are covered by the next.
void PulseBackend::requestDrain()
{
    const PulseAudio *pa = PulseAudio::get();
    m_drainTarget = m_written;
    pa_operation *op = pa->stream_drain(m_stream, &PulseBackend::drainDone, this);
    m_draining = op != nullptr;
    if (op)
        pa->operation_unref(op);
    else
        endAll();
}

void PulseBackend::drainDone(pa_stream *, int success, void *backend)
{
    static_cast<PulseBackend *>(backend)->drained(success != 0);
}

// On the main loop's thread, with the lock held. Everything written before the drain was asked
// for has been played, one clip after another, so each clip ended as long before now as the
// clips behind it last.
void PulseBackend::drained(bool)
{
    const PulseAudio *pa = PulseAudio::get();
    const Clock::time_point now = Clock::now();
    m_draining = false;
    for (Clip &clip : m_clips) {
        if (clip.ended || clip.endOffset > m_drainTarget)
            continue;
        clip.ended = true;
        clip.times.end
            = now - m_format.duration((m_drainTarget - clip.endOffset) / m_format.frameBytes);
        clip.times.firstSample = clip.times.end - m_format.duration(clip.frames);
    }
    if (m_written > m_drainTarget) {
        requestDrain();
    } else if (m_stream && !m_corked) {
        // Nothing left to play: corked, so the stream asks nothing of the server meanwhile.
        pa_operation *op = pa->stream_cork(m_stream, 1, nullptr, nullptr);
        if (op)
            pa->operation_unref(op);
        m_corked = true;
    }
    if (m_wake)
        m_wake->wakeUp();
}

// With the lock held: the clips will not be heard, so none is waited for.
void PulseBackend::endAll()
{
    const Clock::time_point now = Clock::now();
    for (Clip &clip : m_clips) {
        if (!clip.ended)
            clip.times = {now, now};
        clip.ended = true;
        clip.unwritten.clear();
    }
    if (m_wake)
        m_wake->wakeUp();
}

void PulseBackend::contextChanged(pa_context *context, void *data)
{
    auto *backend = static_cast<PulseBackend *>(data);
    const PulseAudio *pa = PulseAudio::get();
    if (!PA_CONTEXT_IS_GOOD(pa->context_get_state(context))) {
        backend->m_failed = true;
        backend->endAll();
    }
    pa->threaded_mainloop_signal(backend->m_loop, 0);
}

void PulseBackend::streamChanged(pa_stream *stream, void *data)
{
    auto *backend = static_cast<PulseBackend *>(data);
    const PulseAudio *pa = PulseAudio::get();
    const pa_stream_state_t state = pa->stream_get_state(stream);
    if (!PA_STREAM_IS_GOOD(state)) {
        backend->m_failed = true;
        backend->endAll();
    } else if (state == PA_STREAM_READY && !backend->m_ready) {
        backend->m_ready = true;
        for (Clip &clip : backend->m_clips) {
            if (!clip.unwritten.isEmpty())
                backend->write(clip, std::exchange(clip.unwritten, {}));
        }
    }
    pa->threaded_mainloop_signal(backend->m_loop, 0);
}

std::optional<AudioBackend::Times> PulseBackend::times(quint64 ticket)
{
    if (!m_loop)
        return std::nullopt;
    const LoopLock lock(m_loop);
    const auto clip = std::find_if(m_clips.begin(), m_clips.end(),
        [ticket](const Clip &queued) { return queued.ticket == ticket; });
    if (clip == m_clips.end() || !clip->ended)
        return std::nullopt;
    return clip->times;
}

std::optional<AudioBackend::Times> PulseBackend::release(quint64 ticket)
{
    if (!m_loop)
        return std::nullopt;
    bool cut = false;
    std::optional<Times> played;
    {
        const LoopLock lock(m_loop);
        const auto clip = std::find_if(m_clips.begin(), m_clips.end(),
            [ticket](const Clip &queued) { return queued.ticket == ticket; });
        if (clip == m_clips.end())
            return std::nullopt;
        cut = !clip->ended;
        if (!cut && !m_failed)
            played = clip->times;
        m_clips.erase(clip);
    }
    // A clip given up on (the server stalled) is cut short with everything behind it: the stream
    // is let go and the next clip opens a new one.
    if (cut)
        closeDevice();
    return played;
}

bool PulseBackend::busy()
{
    if (!m_loop)
        return false;
    const LoopLock lock(m_loop);
    return !m_clips.empty();
}

bool PulseBackend::corked()
{
    if (!m_loop)
        return true;
    const LoopLock lock(m_loop);
    if (!m_stream)
        return true;
    const int corked = PulseAudio::get()->stream_is_corked(m_stream);
    return corked != 0;
}
