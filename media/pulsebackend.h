#pragma once

#include "media/audiobackend.h"

#include <deque>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_mainloop_api;

// Clips handed whole to a PulseAudio (or PipeWire) server through libpulse. One playback stream,
// opened at the first clip, is kept corked while nothing plays; a clip is written to it in one
// piece and the stream uncorked, so once it is written no thread of the program need be on time
// for it to play without a gap, and a corked stream starts at once. The clip's end is the
// server's own word: the stream's drain completes when the sink has played its last frame.
class PulseBackend final : public AudioBackend
{
public:
    PulseBackend() = default;
    ~PulseBackend() override;
    PulseBackend(const PulseBackend &) = delete;
    PulseBackend &operator=(const PulseBackend &) = delete;

    bool start(const Tuning &tuning, QAbstractEventDispatcher *wake) override;
    void stop() override;
    const char *name() const override { return "pulseaudio"; }
    QByteArray error() const override { return m_error; }
    const AudioFormat &format() const override { return m_format; }
    bool lost() override;
    bool reopen() override;
    void closeDevice() override;
    bool deviceOpen() const override { return m_stream != nullptr; }
    bool keptWhenIdle() const override { return m_keepStream; }
    void play(quint64 ticket, const QByteArray &samples) override;
    std::optional<Times> times(quint64 ticket) override;
    std::optional<Times> release(quint64 ticket) override;
    bool busy() override;

    // For tests: whether the stream is corked now (true while there is none).
    bool corked();

private:
    struct Clip
    {
        quint64 ticket = 0;
        qint64 frames = 0;
        qint64 endOffset = 0; // bytes written to the stream up to its last frame
        bool ended = false;
        Times times;
        QByteArray unwritten; // the samples, until the stream is ready for them
    };

    bool connect();
    bool learnFormat();
    bool openStream(bool wait);
    void closeStream();
    void noteError(const char *what);
    template <typename Done> bool waitFor(Done done);
    void write(Clip &clip, const QByteArray &samples);
    void requestDrain();
    void drained(bool success);
    void endAll();

    static void contextChanged(pa_context *context, void *backend);
    static void streamChanged(pa_stream *stream, void *backend);
    static void drainDone(pa_stream *stream, int success, void *backend);

    QAbstractEventDispatcher *m_wake = nullptr;
    bool m_keepStream = true;
    std::chrono::milliseconds m_streamTarget = Tuning{}.streamTarget;
    QByteArray m_error;
    AudioFormat m_format;
    int m_paFormat = 0; // the pa_sample_format_t of m_format
    pa_threaded_mainloop *m_loop = nullptr;
    pa_mainloop_api *m_api = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    // The rest is guarded by the main loop's lock.
    bool m_failed = false; // the server went away or dropped the stream
    bool m_draining = false; // a drain is pending
    qint64 m_drainTarget = 0; // bytes written when it was asked for
    qint64 m_written = 0; // bytes written to the stream
    bool m_corked = true;
    bool m_ready = false; // the server has made the stream
    std::deque<Clip> m_clips;
};
