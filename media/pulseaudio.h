#pragma once

#include <pulse/pulseaudio.h>

#include <QString>

// The libpulse functions the sound output uses, resolved from the library when sound is first
// needed, as SDL's are: the program starts, and plays through SDL, on a machine without it.
struct PulseAudio
{
    decltype(&pa_threaded_mainloop_new) threaded_mainloop_new;
    decltype(&pa_threaded_mainloop_free) threaded_mainloop_free;
    decltype(&pa_threaded_mainloop_start) threaded_mainloop_start;
    decltype(&pa_threaded_mainloop_stop) threaded_mainloop_stop;
    decltype(&pa_threaded_mainloop_lock) threaded_mainloop_lock;
    decltype(&pa_threaded_mainloop_unlock) threaded_mainloop_unlock;
    decltype(&pa_threaded_mainloop_wait) threaded_mainloop_wait;
    decltype(&pa_threaded_mainloop_signal) threaded_mainloop_signal;
    decltype(&pa_threaded_mainloop_get_api) threaded_mainloop_get_api;
    decltype(&pa_context_new) context_new;
    decltype(&pa_context_unref) context_unref;
    decltype(&pa_context_connect) context_connect;
    decltype(&pa_context_disconnect) context_disconnect;
    decltype(&pa_context_get_state) context_get_state;
    decltype(&pa_context_set_state_callback) context_set_state_callback;
    decltype(&pa_context_errno) context_errno;
    decltype(&pa_context_get_sink_info_by_name) context_get_sink_info_by_name;
    decltype(&pa_context_rttime_new) context_rttime_new;
    decltype(&pa_rtclock_now) rtclock_now;
    decltype(&pa_operation_unref) operation_unref;
    decltype(&pa_operation_cancel) operation_cancel;
    decltype(&pa_stream_new) stream_new;
    decltype(&pa_stream_unref) stream_unref;
    decltype(&pa_stream_connect_playback) stream_connect_playback;
    decltype(&pa_stream_disconnect) stream_disconnect;
    decltype(&pa_stream_get_state) stream_get_state;
    decltype(&pa_stream_set_state_callback) stream_set_state_callback;
    decltype(&pa_stream_write) stream_write;
    decltype(&pa_stream_cork) stream_cork;
    decltype(&pa_stream_is_corked) stream_is_corked;
    decltype(&pa_stream_drain) stream_drain;
    decltype(&pa_stream_flush) stream_flush;
    decltype(&pa_strerror) strerror;

    // The functions, loading the library on the first call; null when it cannot be loaded, with
    // the reason in loadError(). Safe to call from any thread.
    static const PulseAudio *get();
    static QString loadError();
};
