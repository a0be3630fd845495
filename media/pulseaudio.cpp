#include "media/pulseaudio.h"

#include <QLibrary>

namespace {

struct Loaded
{
    PulseAudio functions{};
    bool ok = false;
    QString error;
};

const Loaded &library()
{
    static const Loaded loaded = [] {
        Loaded result;
        // Never unloaded: its main loop's thread runs inside it until the program ends.
        static QLibrary pulse(QStringLiteral("pulse"), 0);
        if (!pulse.load()) {
            result.error = pulse.errorString();
            return result;
        }
        bool all = true;
        const auto resolve = [&all](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                pulse.resolve(name));
            all = all && function;
        };
        PulseAudio &f = result.functions;
        resolve(f.threaded_mainloop_new, "pa_threaded_mainloop_new");
        resolve(f.threaded_mainloop_free, "pa_threaded_mainloop_free");
        resolve(f.threaded_mainloop_start, "pa_threaded_mainloop_start");
        resolve(f.threaded_mainloop_stop, "pa_threaded_mainloop_stop");
        resolve(f.threaded_mainloop_lock, "pa_threaded_mainloop_lock");
        resolve(f.threaded_mainloop_unlock, "pa_threaded_mainloop_unlock");
        resolve(f.threaded_mainloop_wait, "pa_threaded_mainloop_wait");
        resolve(f.threaded_mainloop_signal, "pa_threaded_mainloop_signal");
        resolve(f.threaded_mainloop_get_api, "pa_threaded_mainloop_get_api");
        resolve(f.context_new, "pa_context_new");
        resolve(f.context_unref, "pa_context_unref");
        resolve(f.context_connect, "pa_context_connect");
        resolve(f.context_disconnect, "pa_context_disconnect");
        resolve(f.context_get_state, "pa_context_get_state");
        resolve(f.context_set_state_callback, "pa_context_set_state_callback");
        resolve(f.context_errno, "pa_context_errno");
        resolve(f.context_get_sink_info_by_name, "pa_context_get_sink_info_by_name");
        resolve(f.context_rttime_new, "pa_context_rttime_new");
        resolve(f.rtclock_now, "pa_rtclock_now");
        resolve(f.operation_unref, "pa_operation_unref");
        resolve(f.operation_cancel, "pa_operation_cancel");
        resolve(f.stream_new, "pa_stream_new");
        resolve(f.stream_unref, "pa_stream_unref");
        resolve(f.stream_connect_playback, "pa_stream_connect_playback");
        resolve(f.stream_disconnect, "pa_stream_disconnect");
        resolve(f.stream_get_state, "pa_stream_get_state");
        resolve(f.stream_set_state_callback, "pa_stream_set_state_callback");
        resolve(f.stream_write, "pa_stream_write");
        resolve(f.stream_cork, "pa_stream_cork");
        resolve(f.stream_is_corked, "pa_stream_is_corked");
        resolve(f.stream_drain, "pa_stream_drain");
        resolve(f.stream_flush, "pa_stream_flush");
        resolve(f.strerror, "pa_strerror");
        result.ok = all;
        if (!all)
            result.error
                = QStringLiteral("%1 lacks a function it should have").arg(pulse.fileName());
        return result;
    }();
    return loaded;
}

} // namespace

const PulseAudio *PulseAudio::get()
{
    return library().ok ? &library().functions : nullptr;
}

QString PulseAudio::loadError()
{
    return library().error;
}
