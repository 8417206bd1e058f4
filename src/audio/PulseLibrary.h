#pragma once

// libpulse, loaded when the PulseAudio backend first needs it. Linking it
// would load it and the twenty-odd libraries behind it (libsndfile and its
// encoders, libsystemd, libgcrypt, ...) into every run, ALSA's and the
// tests' too: about a megabyte of resident memory and two milliseconds of
// relocation at each start.
//
// The backend calls libpulse as `pulse::api().pa_...(...)`, only after
// `pulse::load()` returned true. Loaded once, from whichever thread asks
// first, and never unloaded (libpulse's threads may outlive any owner).

#include <pulse/pulseaudio.h>

namespace wavelark {

#define WAVELARK_PULSE_FUNCTIONS(X)                                                                \
    X(pa_context_connect)                                                                          \
    X(pa_context_disconnect)                                                                       \
    X(pa_context_errno)                                                                            \
    X(pa_context_get_state)                                                                        \
    X(pa_context_new)                                                                              \
    X(pa_context_new_with_proplist)                                                                \
    X(pa_context_set_state_callback)                                                               \
    X(pa_context_unref)                                                                            \
    X(pa_mainloop_dispatch)                                                                        \
    X(pa_mainloop_free)                                                                            \
    X(pa_mainloop_get_api)                                                                         \
    X(pa_mainloop_new)                                                                             \
    X(pa_mainloop_poll)                                                                            \
    X(pa_mainloop_prepare)                                                                         \
    X(pa_operation_get_state)                                                                      \
    X(pa_operation_unref)                                                                          \
    X(pa_proplist_free)                                                                            \
    X(pa_proplist_new)                                                                             \
    X(pa_proplist_sets)                                                                            \
    X(pa_stream_connect_playback)                                                                  \
    X(pa_stream_disconnect)                                                                        \
    X(pa_stream_drain)                                                                             \
    X(pa_stream_get_state)                                                                         \
    X(pa_stream_new_with_proplist)                                                                 \
    X(pa_stream_proplist_update)                                                                   \
    X(pa_stream_set_state_callback)                                                                \
    X(pa_stream_set_write_callback)                                                                \
    X(pa_stream_trigger)                                                                           \
    X(pa_stream_unref)                                                                             \
    X(pa_stream_writable_size)                                                                     \
    X(pa_stream_write)                                                                             \
    X(pa_strerror)                                                                                 \
    X(pa_threaded_mainloop_free)                                                                   \
    X(pa_threaded_mainloop_get_api)                                                                \
    X(pa_threaded_mainloop_lock)                                                                   \
    X(pa_threaded_mainloop_new)                                                                    \
    X(pa_threaded_mainloop_signal)                                                                 \
    X(pa_threaded_mainloop_start)                                                                  \
    X(pa_threaded_mainloop_stop)                                                                   \
    X(pa_threaded_mainloop_unlock)                                                                 \
    X(pa_threaded_mainloop_wait)                                                                   \
    X(pa_usec_to_bytes)

namespace pulse {

// libpulse's entry points, each of its own type.
struct Api
{
#define WAVELARK_PULSE_MEMBER(name) decltype(&::name) name;
    WAVELARK_PULSE_FUNCTIONS(WAVELARK_PULSE_MEMBER)
#undef WAVELARK_PULSE_MEMBER
};

// Loads libpulse and binds every entry point above, once; false when the
// library or one of them is missing (the message is printed once).
bool load();
// The bound entry points; only after load() returned true.
const Api &api();

} // namespace pulse

} // namespace wavelark
