#include "AudioOutput.h"

#include "GmSynth.h"
#include "MidiOut.h"
#include "SynthRenderer.h"
#include "errors/ShellOpen.h"

#include "SoundLibraries.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QMutex>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <dlfcn.h>
#include <csignal>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace lyrovan {

namespace {

// Real-time scheduling for the calling thread, at priority: directly where
// the process may (root, or a real-time limit), else through the desktop's
// RealtimeKit service, as FluidSynth does for its own drivers' threads.
bool MakeThisThreadRealtime(int priority)
{
    sched_param parameters{};
    parameters.sched_priority = priority;
    if (pthread_setschedparam(pthread_self(), SCHED_RR, &parameters) == 0)
        return true;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusInterface kit(QStringLiteral("org.freedesktop.RealtimeKit1"), QStringLiteral("/org/freedesktop/RealtimeKit1"),
                       QStringLiteral("org.freedesktop.RealtimeKit1"), bus);
    if (!kit.isValid())
        return false;
    // RealtimeKit hands out real-time scheduling only to processes that
    // limit how long a real-time thread may run without sleeping.
    const int limit = kit.property("RTTimeUSecMax").toInt();
    const int highest = kit.property("MaxRealtimePriority").toInt();
    rlimit rttime{};
    rttime.rlim_cur = rttime.rlim_max = rlim_t(limit > 0 ? limit : 200000);
    setrlimit(RLIMIT_RTTIME, &rttime);
    const QDBusReply<void> reply =
        kit.call(QStringLiteral("MakeThreadRealtime"), quint64(gettid()), quint32(highest > 0 ? std::min(priority, highest) : priority));
    return reply.isValid();
}

// The program's own PulseAudio stream, on PulseAudio's asynchronous API: the
// server asks for sound when it wants it, and the stream's thread renders it
// then. No call waits on the server without a deadline.
class PulseOutput final : public AudioOutput {
public:
    PulseOutput(const std::shared_ptr<GmSynth>& synth, const AudioRequest& request)
        : m_renderer(synth, request.latencyNs), m_rate(synth->sampleRate()), m_request(request)
    {
    }

    ~PulseOutput() override
    {
        m_renderer.stop();
        if (!m_loop)
            return;
        pa_threaded_mainloop_lock(m_loop);
        if (m_stream) {
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
        }
        if (m_context) {
            pa_context_set_state_callback(m_context, nullptr, nullptr);
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        pa_threaded_mainloop_unlock(m_loop);
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }

    // Connects and starts the stream, paused or not; false with the cause in
    // *error, within ConnectTimeoutMs.
    bool start(bool paused, QString* error)
    {
        m_loop = pa_threaded_mainloop_new();
        if (!m_loop) {
            *error = QStringLiteral("cannot start PulseAudio's client");
            return false;
        }
        pa_proplist* properties = pa_proplist_new();
        pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, "Lyrovan");
        pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, "org.lyrovan.Lyrovan");
        pa_proplist_sets(properties, PA_PROP_APPLICATION_ICON_NAME, "org.lyrovan.Lyrovan");
        m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Lyrovan", properties);
        pa_proplist_free(properties);
        if (!m_context) {
            *error = QStringLiteral("cannot start PulseAudio's client");
            return false;
        }
        pa_context_set_state_callback(m_context, &PulseOutput::onContextState, this);
        const QByteArray server = m_request.settings.value(QStringLiteral("audio.pulseaudio.server")).toUtf8();
        if (pa_context_connect(m_context, server.isEmpty() ? nullptr : server.constData(), PA_CONTEXT_NOFLAGS,
                               nullptr) < 0) {
            *error = QString::fromLocal8Bit(pa_strerror(pa_context_errno(m_context)));
            return false;
        }
        if (pa_threaded_mainloop_start(m_loop) < 0) {
            *error = QStringLiteral("cannot start PulseAudio's client");
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ConnectTimeoutMs);
        if (!waitFor([this] { return m_contextState != PA_CONTEXT_CONNECTING; }, deadline)
            || m_contextState != PA_CONTEXT_READY) {
            *error = m_contextState == PA_CONTEXT_CONNECTING ? NotAnswering() : contextError();
            return false;
        }

        pa_sample_spec format{};
        format.format = PA_SAMPLE_FLOAT32NE;
        format.rate = static_cast<std::uint32_t>(m_rate);
        format.channels = 2;
        const auto frameBytes = static_cast<std::uint32_t>(2 * sizeof(float));
        pa_buffer_attr buffer{};
        buffer.maxlength = static_cast<std::uint32_t>(-1);
        buffer.tlength = frameBytes * static_cast<std::uint32_t>(m_request.bufferFrames);
        buffer.prebuf = static_cast<std::uint32_t>(-1);
        buffer.minreq = frameBytes * static_cast<std::uint32_t>(m_request.periodFrames);
        buffer.fragsize = static_cast<std::uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE
                                                          | PA_STREAM_ADJUST_LATENCY
                                                          | (paused ? PA_STREAM_START_CORKED : 0));
        const QByteArray device = m_request.device.toUtf8();
        pa_threaded_mainloop_lock(m_loop);
        // The name the desktop's mixer shows, for the program and its stream.
        m_stream = pa_stream_new(m_context, "Lyrovan", &format, nullptr);
        bool connected = false;
        if (m_stream) {
            m_paused = paused;
            pa_stream_set_state_callback(m_stream, &PulseOutput::onStreamState, this);
            pa_stream_set_write_callback(m_stream, &PulseOutput::onWrite, this);
            pa_stream_set_underflow_callback(m_stream, &PulseOutput::onUnderflow, this);
            connected = pa_stream_connect_playback(m_stream, device.isEmpty() ? nullptr : device.constData(), &buffer,
                                                   flags, nullptr, nullptr)
                        >= 0;
        }
        pa_threaded_mainloop_unlock(m_loop);
        if (!connected) {
            *error = contextError();
            return false;
        }
        if (!waitFor([this] { return m_streamState != PA_STREAM_CREATING && m_streamState != PA_STREAM_UNCONNECTED; },
                     deadline)
            || m_streamState != PA_STREAM_READY) {
            *error = m_streamState == PA_STREAM_CREATING ? NotAnswering() : contextError();
            return false;
        }
        m_resumedNs = MonotonicNs();
        // Under the lock like every other call from outside the loop's
        // thread: the loop may run the callback at once.
        if (m_request.realtimePriority > 0) {
            pa_threaded_mainloop_lock(m_loop);
            pa_threaded_mainloop_once_unlocked(m_loop, &PulseOutput::onFirstRun, this);
            pa_threaded_mainloop_unlock(m_loop);
        }
        return true;
    }

    QString driver() const override { return QStringLiteral("pulseaudio"); }
    SynthRenderer& renderer() override { return m_renderer; }
    bool canPause() const override { return true; }
    int underflows() const override { return m_underflows; }
    bool realtime() const override { return m_realtime; }

    QString failure() const override
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        return m_failure;
    }

    void pause(bool paused) override
    {
        pa_threaded_mainloop_lock(m_loop);
        if (m_stream && paused != m_paused) {
            m_paused = paused;
            m_resumedNs = MonotonicNs();
            if (pa_operation* operation = pa_stream_cork(m_stream, paused ? 1 : 0, nullptr, nullptr))
                pa_operation_unref(operation);
        }
        pa_threaded_mainloop_unlock(m_loop);
    }

private:
    static QString NotAnswering()
    {
        return QStringLiteral("the sound server does not answer (no reply within %1 s)").arg(ConnectTimeoutMs / 1000);
    }

    QString contextError() const
    {
        return QString::fromLocal8Bit(pa_strerror(pa_context_errno(m_context)));
    }

    template <typename Ready>
    bool waitFor(Ready ready, std::chrono::steady_clock::time_point deadline)
    {
        std::unique_lock<std::mutex> lock(m_stateMutex);
        return m_stateChanged.wait_until(lock, deadline, ready);
    }

    void failWith(const QString& why)
    {
        std::lock_guard<std::mutex> lock(m_stateMutex);
        if (m_failure.isEmpty())
            m_failure = why;
    }

    static void onContextState(pa_context* context, void* data)
    {
        auto* self = static_cast<PulseOutput*>(data);
        const pa_context_state_t state = pa_context_get_state(context);
        {
            std::lock_guard<std::mutex> lock(self->m_stateMutex);
            if (state == PA_CONTEXT_READY || state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
                self->m_contextState = state;
        }
        self->m_stateChanged.notify_all();
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
            self->failWith(QStringLiteral("the sound server went away: ") + self->contextError());
    }

    static void onStreamState(pa_stream* stream, void* data)
    {
        auto* self = static_cast<PulseOutput*>(data);
        const pa_stream_state_t state = pa_stream_get_state(stream);
        {
            std::lock_guard<std::mutex> lock(self->m_stateMutex);
            self->m_streamState = state;
        }
        self->m_stateChanged.notify_all();
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
            self->failWith(QStringLiteral("the sound server ended the stream: ") + self->contextError());
    }

    // A stream just resumed starts from an empty buffer, which the server
    // reports too; only what runs empty afterwards is a dropout.
    static void onUnderflow(pa_stream*, void* data)
    {
        auto* self = static_cast<PulseOutput*>(data);
        if (MonotonicNs() - self->m_resumedNs > 100'000'000)
            ++self->m_underflows;
    }

    static void onFirstRun(pa_threaded_mainloop*, void* data)
    {
        auto* self = static_cast<PulseOutput*>(data);
        self->m_realtime = MakeThisThreadRealtime(self->m_request.realtimePriority);
    }

    // The server wants bytes more: rendered now, each message on its frame.
    static void onWrite(pa_stream* stream, std::size_t bytes, void* data)
    {
        auto* self = static_cast<PulseOutput*>(data);
        const std::size_t frameBytes = 2 * sizeof(float);
        while (bytes >= frameBytes) {
            void* buffer = nullptr;
            std::size_t room = bytes;
            if (pa_stream_begin_write(stream, &buffer, &room) < 0 || !buffer || room < frameBytes)
                return;
            room -= room % frameBytes;
            // The first of these frames is heard once what the server
            // holds has played.
            qint64 headNs = MonotonicNs();
            pa_usec_t latency = 0;
            int negative = 0;
            if (pa_stream_get_latency(stream, &latency, &negative) >= 0)
                headNs += (negative ? -1 : 1) * qint64(latency) * 1000;
            else
                headNs += qint64(double(self->m_request.bufferFrames) * 1e9 / self->m_rate);
            auto* samples = static_cast<float*>(buffer);
            self->m_renderer.render(samples, samples + 1, 2, int(room / frameBytes), headNs);
            pa_stream_write(stream, buffer, room, nullptr, 0, PA_SEEK_RELATIVE);
            bytes -= room;
        }
    }

    SynthRenderer m_renderer;
    const double m_rate;
    const AudioRequest m_request;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    bool m_paused = false; // under the main loop's lock
    std::atomic<qint64> m_resumedNs{0};

    mutable std::mutex m_stateMutex; // guards the states and m_failure
    std::condition_variable m_stateChanged;
    pa_context_state_t m_contextState = PA_CONTEXT_CONNECTING;
    pa_stream_state_t m_streamState = PA_STREAM_UNCONNECTED;
    QString m_failure;
    std::atomic<int> m_underflows{0};
    std::atomic<bool> m_realtime{false};
};

// The setting that names a driver's device.
QString DeviceSetting(const QString& driver)
{
    if (driver == QStringLiteral("file"))
        return QStringLiteral("audio.file.name");
    if (driver == QStringLiteral("jack"))
        return QStringLiteral("audio.jack.server");
    return QStringLiteral("audio.%1.device").arg(driver);
}

// FluidSynth's SDL2 driver plays only once the program has started SDL's
// audio; SDL comes with FluidSynth, so it is looked up there.
bool StartSdlAudio(QString* error)
{
    using Init = int (*)(std::uint32_t);
    constexpr std::uint32_t SdlAudio = 0x10;
    const auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "SDL_InitSubSystem"));
    if (!init) {
        *error = QStringLiteral("SDL is not available");
        return false;
    }

    if (init(SdlAudio) != 0) {
        using Error = const char* (*)();
        const auto why = reinterpret_cast<Error>(dlsym(RTLD_DEFAULT, "SDL_GetError"));
        *error = QStringLiteral("SDL cannot start its audio: ") + QString::fromLocal8Bit(why ? why() : "");
        return false;
    }
    return true;
}

// One of FluidSynth's own drivers, rendering through our renderer.
class FluidOutput final : public AudioOutput {
public:
    FluidOutput(const std::shared_ptr<GmSynth>& synth, const AudioRequest& request)
        : m_synth(synth), m_renderer(synth, request.latencyNs), m_name(request.driver),
          m_headNs(qint64(double(request.bufferFrames) * 1e9 / synth->sampleRate()))
    {
    }

    ~FluidOutput() override
    {
        m_renderer.stop();
        if (m_driver)
            delete_fluid_audio_driver(m_driver);
    }

    bool start(fluid_settings_t* settings, QString* error)
    {
        FluidErrorCapture capture;
        m_driver = new_fluid_audio_driver2(settings, &FluidOutput::onRender, this);
        if (!m_driver && capture.text().isEmpty()) {
            // A driver that takes no render function (the file writer)
            // renders by itself; messages then play as they come.
            m_renderer.playAtOnce();
            m_driver = new_fluid_audio_driver(settings, m_synth->synth());
        }
        if (!m_driver)
            *error = capture.text().isEmpty() ? QStringLiteral("FluidSynth could not open it") : capture.text();
        return m_driver != nullptr;
    }

    QString driver() const override { return m_name; }
    SynthRenderer& renderer() override { return m_renderer; }

private:
    static int onRender(void* data, int frames, int, float*[], int outputs, float* out[])
    {
        auto* self = static_cast<FluidOutput*>(data);
        if (outputs < 2)
            return FLUID_FAILED;
        self->m_renderer.render(out[0], out[1], 1, frames, MonotonicNs() + self->m_headNs);
        return FLUID_OK;
    }

    std::shared_ptr<GmSynth> m_synth;
    SynthRenderer m_renderer;
    QString m_name;
    qint64 m_headNs; // how long after it is rendered a frame is heard, about
    fluid_audio_driver_t* m_driver = nullptr;
};

// The driver's settings, set into the synthesizer's settings (FluidSynth
// drivers read them there); false with the cause in *error.
bool ApplySettings(GmSynth& synth, const AudioRequest& request, QString* error)
{
    fluid_settings_t* settings = synth.settings();
    QMap<QString, QString> values = request.settings;
    values.insert(QStringLiteral("audio.driver"), request.driver);
    values.insert(QStringLiteral("audio.period-size"), QString::number(request.periodFrames));
    values.insert(QStringLiteral("audio.periods"), QString::number(std::max(2, request.bufferFrames / request.periodFrames)));
    values.insert(QStringLiteral("audio.realtime-prio"), QString::number(request.realtimePriority));
    if (request.driver == QStringLiteral("jack")) {
        // The JACK client is the program, and its outputs go to the
        // speakers at once: a JACK strum is heard without the user
        // connecting anything.
        values.insert(QStringLiteral("audio.jack.id"), QStringLiteral("Lyrovan"));
        values.insert(QStringLiteral("audio.jack.autoconnect"), QStringLiteral("1"));
    }
    const QString deviceSetting = DeviceSetting(request.driver);
    if (!request.device.isEmpty()) {
        values.insert(deviceSetting, request.device);
    } else if (!values.contains(deviceSetting)) {
        // The driver's own default, whatever an earlier open set.
        char* standard = nullptr;
        const QByteArray key = deviceSetting.toUtf8();
        if (fluid_settings_getstr_default(settings, key.constData(), &standard) == FLUID_OK && standard)
            values.insert(deviceSetting, QString::fromUtf8(standard));
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        if (!synth.setSetting(it.key(), it.value())) {
            *error = QStringLiteral("could not set %1 to \"%2\"").arg(it.key(), it.value());
            return false;
        }
    }
    return true;
}

extern "C" void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
extern "C" void QuietJack(const char*) {}
extern "C" void QuietGlib(const char*, int, const char*, void*) {}

} // namespace

std::unique_ptr<AudioOutput> StartAudioOutput(const std::shared_ptr<GmSynth>& synth, const AudioRequest& request,
                                              bool paused, QString* error)
{
    if (!synth || !synth->settings() || !synth->synth()) {
        *error = QStringLiteral("there is no synthesizer");
        return nullptr;
    }
    if (request.driver == QStringLiteral("pulseaudio")) {
        auto output = std::make_unique<PulseOutput>(synth, request);
        if (!output->start(paused, error)) {
            Abandon(std::move(output));
            return nullptr;
        }
        return output;
    }
    // FluidSynth's drivers all read the synthesizer's one set of settings.
    static QMutex settingsInUse;
    QMutexLocker lock(&settingsInUse);
    if (!ApplySettings(*synth, request, error))
        return nullptr;
    if (request.driver == QStringLiteral("sdl2") && !StartSdlAudio(error))
        return nullptr;
    auto output = std::make_unique<FluidOutput>(synth, request);
    if (!output->start(synth->settings(), error))
        return nullptr;
    return output;
}

void Abandon(std::unique_ptr<AudioOutput> output)
{
    if (!output)
        return;
    // The renderer stops at once (a render under way ends first), so that
    // nothing of the old output sounds beside a new one.
    output->renderer().stop();
    std::thread([gone = std::move(output)]() mutable { gone.reset(); }).detach();
}

QStringList AvailableAudioDrivers()
{
    QStringList drivers;
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings)
        return drivers;
    fluid_settings_foreach_option(settings, "audio.driver", &drivers, [](void* data, const char*, const char* option) {
        *static_cast<QStringList*>(data) << QString::fromLatin1(option);
    });
    delete_fluid_settings(settings);
    if (!drivers.contains(QStringLiteral("pulseaudio")))
        drivers << QStringLiteral("pulseaudio");
    drivers.sort();
    return drivers;
}

QStringList DefaultAudioDrivers()
{
    return {QStringLiteral("pulseaudio"), QStringLiteral("alsa"), QStringLiteral("jack"), QStringLiteral("sdl2"),
            QStringLiteral("oss")};
}

QStringList AudioDriverChain(const QString& named, QString* error)
{
    const QStringList available = AvailableAudioDrivers();
    QStringList chain;
    if (!named.isEmpty()) {
        if (available.contains(named)) {
            chain << named;
        } else {
            *error = QStringLiteral("unknown audio driver \"%1\"; this FluidSynth offers: %2")
                         .arg(named, available.join(QStringLiteral(", ")));
        }
    }
    for (const QString& driver : DefaultAudioDrivers()) {
        if (available.contains(driver) && !chain.contains(driver))
            chain << driver;
    }
    return chain;
}

void NameProgramForSoundServers()
{
    const std::pair<const char*, const char*> names[] = {
        // SDL names the stream of its PulseAudio or PipeWire output so.
        {"SDL_AUDIO_DEVICE_APP_NAME", "Lyrovan"},
        {"SDL_AUDIO_DEVICE_STREAM_NAME", "Lyrovan"},
        // ALSA's PulseAudio plug-in takes the program's name from here.
        {"PULSE_PROP_OVERRIDE", "application.name='Lyrovan' application.icon_name='org.lyrovan.Lyrovan'"},
        // SDL's audio would otherwise take over SIGINT and SIGTERM, and the
        // program would no longer end when the session asks it to.
        {"SDL_NO_SIGNAL_HANDLERS", "1"},
    };
    for (const auto& [variable, value] : names) {
        if (!qEnvironmentVariableIsSet(variable)) {
            qputenv(variable, value);
            KeepFromChildren(QString::fromLatin1(variable));
        }
    }
}

void QuietAudioLibraries()
{
    std::signal(SIGPIPE, SIG_IGN);
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (const auto set = reinterpret_cast<int (*)(AlsaHandler)>(dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler")))
        set(&QuietAlsa);
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (const auto set = reinterpret_cast<void (*)(void (*)(const char*))>(dlsym(RTLD_DEFAULT, name)))
            set(&QuietJack);
    }
    // libinstpatch, FluidSynth's reader of DLS files, tries every soundfont
    // that is not one and complains through GLib's log without a domain.
    using GlibHandler = void (*)(const char*, int, const char*, void*);
    constexpr int GlibCriticalAndWarning = (1 << 3) | (1 << 4);
    if (const auto set = reinterpret_cast<unsigned (*)(const char*, int, GlibHandler, void*)>(
            dlsym(RTLD_DEFAULT, "g_log_set_handler")))
        set(nullptr, GlibCriticalAndWarning, &QuietGlib, nullptr);
}

} // namespace lyrovan
