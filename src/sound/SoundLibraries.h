#pragma once
// FluidSynth and PulseAudio, loaded when sound is first needed rather than
// when the program starts. Linked directly they bring about 40 shared
// libraries (GLib's objects, libsndfile and its codecs, JACK, SDL, ALSA,
// libinstpatch, readline, ...) that the window does not need in order to
// show, and mapping them delays its first paint by about 10 ms.
//
// A source file that calls these libraries includes this header after
// their own headers: each function the program calls is then a macro that
// looks the function up once, at its first call, in the library loaded by
// LoadSoundLibraries. The headers still declare every type and signature,
// so the compiler checks each call as before.

#include <fluidsynth.h>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <QString>

namespace lyrovan {

// Loads FluidSynth and PulseAudio once (later calls give the first
// outcome): false, with the reason in *error, if either is missing.
bool LoadSoundLibraries(QString* error = nullptr);

// Tests: the files to load instead of libfluidsynth.so.3 and libpulse.so.0,
// named before anything loads them.
void UseSoundLibraryFiles(const char* fluidSynth, const char* pulseAudio);

// The function named `name` of the sound libraries, loading them if need
// be. A library or function that is missing ends the program with a
// message: the callers ask LoadSoundLibraries first.
void* SoundLibraryFunction(const char* name);

} // namespace lyrovan

#define LYROVAN_SOUND_FUNCTION(name)                                                                          \
    ([] {                                                                                                     \
        static const auto function = reinterpret_cast<decltype(&::name)>(::lyrovan::SoundLibraryFunction(#name)); \
        return function;                                                                                      \
    }())

// FluidSynth
#define delete_fluid_audio_driver(...) LYROVAN_SOUND_FUNCTION(delete_fluid_audio_driver)(__VA_ARGS__)
#define delete_fluid_settings(...) LYROVAN_SOUND_FUNCTION(delete_fluid_settings)(__VA_ARGS__)
#define delete_fluid_synth(...) LYROVAN_SOUND_FUNCTION(delete_fluid_synth)(__VA_ARGS__)
#define fluid_is_soundfont(...) LYROVAN_SOUND_FUNCTION(fluid_is_soundfont)(__VA_ARGS__)
#define fluid_set_log_function(...) LYROVAN_SOUND_FUNCTION(fluid_set_log_function)(__VA_ARGS__)
#define fluid_settings_foreach_option(...) LYROVAN_SOUND_FUNCTION(fluid_settings_foreach_option)(__VA_ARGS__)
#define fluid_settings_get_type(...) LYROVAN_SOUND_FUNCTION(fluid_settings_get_type)(__VA_ARGS__)
#define fluid_settings_getstr_default(...) LYROVAN_SOUND_FUNCTION(fluid_settings_getstr_default)(__VA_ARGS__)
#define fluid_settings_setint(...) LYROVAN_SOUND_FUNCTION(fluid_settings_setint)(__VA_ARGS__)
#define fluid_settings_setnum(...) LYROVAN_SOUND_FUNCTION(fluid_settings_setnum)(__VA_ARGS__)
#define fluid_settings_setstr(...) LYROVAN_SOUND_FUNCTION(fluid_settings_setstr)(__VA_ARGS__)
#define fluid_sfont_get_preset(...) LYROVAN_SOUND_FUNCTION(fluid_sfont_get_preset)(__VA_ARGS__)
#define fluid_synth_all_notes_off(...) LYROVAN_SOUND_FUNCTION(fluid_synth_all_notes_off)(__VA_ARGS__)
#define fluid_synth_all_sounds_off(...) LYROVAN_SOUND_FUNCTION(fluid_synth_all_sounds_off)(__VA_ARGS__)
#define fluid_synth_count_midi_channels(...) LYROVAN_SOUND_FUNCTION(fluid_synth_count_midi_channels)(__VA_ARGS__)
#define fluid_synth_get_active_voice_count(...) \
    LYROVAN_SOUND_FUNCTION(fluid_synth_get_active_voice_count)(__VA_ARGS__)
#define fluid_synth_get_gain(...) LYROVAN_SOUND_FUNCTION(fluid_synth_get_gain)(__VA_ARGS__)
#define fluid_synth_get_sfont_by_id(...) LYROVAN_SOUND_FUNCTION(fluid_synth_get_sfont_by_id)(__VA_ARGS__)
#define fluid_synth_noteon(...) LYROVAN_SOUND_FUNCTION(fluid_synth_noteon)(__VA_ARGS__)
#define fluid_synth_program_change(...) LYROVAN_SOUND_FUNCTION(fluid_synth_program_change)(__VA_ARGS__)
#define fluid_synth_set_channel_type(...) LYROVAN_SOUND_FUNCTION(fluid_synth_set_channel_type)(__VA_ARGS__)
#define fluid_synth_set_gain(...) LYROVAN_SOUND_FUNCTION(fluid_synth_set_gain)(__VA_ARGS__)
#define fluid_synth_sfload(...) LYROVAN_SOUND_FUNCTION(fluid_synth_sfload)(__VA_ARGS__)
#define fluid_synth_sfunload(...) LYROVAN_SOUND_FUNCTION(fluid_synth_sfunload)(__VA_ARGS__)
#define fluid_synth_write_float(...) LYROVAN_SOUND_FUNCTION(fluid_synth_write_float)(__VA_ARGS__)
#define new_fluid_audio_driver(...) LYROVAN_SOUND_FUNCTION(new_fluid_audio_driver)(__VA_ARGS__)
#define new_fluid_audio_driver2(...) LYROVAN_SOUND_FUNCTION(new_fluid_audio_driver2)(__VA_ARGS__)
#define new_fluid_settings(...) LYROVAN_SOUND_FUNCTION(new_fluid_settings)(__VA_ARGS__)
#define new_fluid_synth(...) LYROVAN_SOUND_FUNCTION(new_fluid_synth)(__VA_ARGS__)

// PulseAudio
#define pa_context_connect(...) LYROVAN_SOUND_FUNCTION(pa_context_connect)(__VA_ARGS__)
#define pa_context_disconnect(...) LYROVAN_SOUND_FUNCTION(pa_context_disconnect)(__VA_ARGS__)
#define pa_context_errno(...) LYROVAN_SOUND_FUNCTION(pa_context_errno)(__VA_ARGS__)
#define pa_context_get_state(...) LYROVAN_SOUND_FUNCTION(pa_context_get_state)(__VA_ARGS__)
#define pa_context_new_with_proplist(...) LYROVAN_SOUND_FUNCTION(pa_context_new_with_proplist)(__VA_ARGS__)
#define pa_context_set_state_callback(...) LYROVAN_SOUND_FUNCTION(pa_context_set_state_callback)(__VA_ARGS__)
#define pa_context_unref(...) LYROVAN_SOUND_FUNCTION(pa_context_unref)(__VA_ARGS__)
#define pa_operation_unref(...) LYROVAN_SOUND_FUNCTION(pa_operation_unref)(__VA_ARGS__)
#define pa_proplist_free(...) LYROVAN_SOUND_FUNCTION(pa_proplist_free)(__VA_ARGS__)
#define pa_proplist_new(...) LYROVAN_SOUND_FUNCTION(pa_proplist_new)(__VA_ARGS__)
#define pa_proplist_sets(...) LYROVAN_SOUND_FUNCTION(pa_proplist_sets)(__VA_ARGS__)
#define pa_stream_begin_write(...) LYROVAN_SOUND_FUNCTION(pa_stream_begin_write)(__VA_ARGS__)
#define pa_stream_connect_playback(...) LYROVAN_SOUND_FUNCTION(pa_stream_connect_playback)(__VA_ARGS__)
#define pa_stream_cork(...) LYROVAN_SOUND_FUNCTION(pa_stream_cork)(__VA_ARGS__)
#define pa_stream_disconnect(...) LYROVAN_SOUND_FUNCTION(pa_stream_disconnect)(__VA_ARGS__)
#define pa_stream_get_latency(...) LYROVAN_SOUND_FUNCTION(pa_stream_get_latency)(__VA_ARGS__)
#define pa_stream_get_state(...) LYROVAN_SOUND_FUNCTION(pa_stream_get_state)(__VA_ARGS__)
#define pa_stream_new(...) LYROVAN_SOUND_FUNCTION(pa_stream_new)(__VA_ARGS__)
#define pa_stream_set_state_callback(...) LYROVAN_SOUND_FUNCTION(pa_stream_set_state_callback)(__VA_ARGS__)
#define pa_stream_set_underflow_callback(...) LYROVAN_SOUND_FUNCTION(pa_stream_set_underflow_callback)(__VA_ARGS__)
#define pa_stream_set_write_callback(...) LYROVAN_SOUND_FUNCTION(pa_stream_set_write_callback)(__VA_ARGS__)
#define pa_stream_unref(...) LYROVAN_SOUND_FUNCTION(pa_stream_unref)(__VA_ARGS__)
#define pa_stream_write(...) LYROVAN_SOUND_FUNCTION(pa_stream_write)(__VA_ARGS__)
#define pa_strerror(...) LYROVAN_SOUND_FUNCTION(pa_strerror)(__VA_ARGS__)
#define pa_threaded_mainloop_free(...) LYROVAN_SOUND_FUNCTION(pa_threaded_mainloop_free)(__VA_ARGS__)
#define pa_threaded_mainloop_get_api(...) LYROVAN_SOUND_FUNCTION(pa_threaded_mainloop_get_api)(__VA_ARGS__)
#define pa_threaded_mainloop_lock(...) LYROVAN_SOUND_FUNCTION(pa_threaded_mainloop_lock)(__VA_ARGS__)
#define pa_threaded_mainloop_new(...) LYROVAN_SOUND_FUNCTION(pa_threaded_mainloop_new)(__VA_ARGS__)
#define pa_threaded_mainloop_once_unlocked(...) \
    LYROVAN_SOUND_FUNCTION(pa_threaded_mainloop_once_unlocked)(__VA_ARGS__)
#define pa_threaded_mainloop_start(...) LYROVAN_SOUND_FUNCTION(pa_threaded_mainloop_start)(__VA_ARGS__)
#define pa_threaded_mainloop_stop(...) LYROVAN_SOUND_FUNCTION(pa_threaded_mainloop_stop)(__VA_ARGS__)
#define pa_threaded_mainloop_unlock(...) LYROVAN_SOUND_FUNCTION(pa_threaded_mainloop_unlock)(__VA_ARGS__)
