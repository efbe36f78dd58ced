#include "AudioOutput.h"

#include "GmSynth.h"

#include <fluidsynth.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <atomic>
#include <thread>
#include <vector>

namespace lyrovan {

namespace {

// The program's own PulseAudio stream.
class PulseOutput final : public AudioOutput {
public:
    PulseOutput(GmSynth& synth, pa_simple* stream, int periodFrames)
        : m_synth(synth), m_stream(stream), m_periodFrames(periodFrames), m_thread([this] { run(); })
    {
    }

    ~PulseOutput() override
    {
        m_running = false;
        m_thread.join();
        pa_simple_free(m_stream);
    }

    QString driver() const override { return QStringLiteral("pulseaudio"); }
    bool failed() const override { return m_failed; }

private:
    void run()
    {
        std::vector<float> buffer(2 * static_cast<std::size_t>(m_periodFrames));
        const std::size_t bytes = buffer.size() * sizeof(float);
        int error = 0;
        // Each write waits until the server has room for one more period.
        while (m_running) {
            m_synth.render(buffer.data(), m_periodFrames);
            if (pa_simple_write(m_stream, buffer.data(), bytes, &error) < 0) {
                m_failed = true;
                break;
            }
        }
    }

    GmSynth& m_synth;
    pa_simple* m_stream;
    int m_periodFrames;
    std::atomic<bool> m_running{true};
    std::atomic<bool> m_failed{false};
    std::thread m_thread; // last: starts once the rest is set
};

std::unique_ptr<AudioOutput> StartPulse(GmSynth& synth, const AudioRequest& request, QString* error)
{
    pa_sample_spec format{};
    format.format = PA_SAMPLE_FLOAT32NE;
    format.rate = static_cast<std::uint32_t>(synth.sampleRate());
    format.channels = 2;
    const auto periodBytes = static_cast<std::uint32_t>(request.periodFrames * 2 * int(sizeof(float)));
    pa_buffer_attr buffer{};
    buffer.maxlength = static_cast<std::uint32_t>(-1);
    buffer.tlength = periodBytes * static_cast<std::uint32_t>(request.periods);
    buffer.prebuf = static_cast<std::uint32_t>(-1);
    buffer.minreq = periodBytes;
    buffer.fragsize = static_cast<std::uint32_t>(-1);

    const QByteArray server = request.settings.value(QStringLiteral("audio.pulseaudio.server")).toUtf8();
    const QByteArray device = request.device.toUtf8();
    int code = 0;
    // The name the desktop's mixer shows, for the program and its stream.
    pa_simple* stream = pa_simple_new(server.isEmpty() ? nullptr : server.constData(), "Lyrovan",
                                      PA_STREAM_PLAYBACK, device.isEmpty() ? nullptr : device.constData(),
                                      "Lyrovan", &format, nullptr, &buffer, &code);
    if (!stream) {
        *error = QString::fromLocal8Bit(pa_strerror(code));
        return nullptr;
    }
    return std::make_unique<PulseOutput>(synth, stream, request.periodFrames);
}

// One of FluidSynth's own drivers.
class FluidOutput final : public AudioOutput {
public:
    FluidOutput(fluid_audio_driver_t* driver, QString name) : m_driver(driver), m_name(std::move(name)) {}
    ~FluidOutput() override { delete_fluid_audio_driver(m_driver); }
    QString driver() const override { return m_name; }

private:
    fluid_audio_driver_t* m_driver;
    QString m_name;
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

std::unique_ptr<AudioOutput> StartFluid(GmSynth& synth, const AudioRequest& request, QString* error)
{
    fluid_settings_t* settings = synth.settings();
    QMap<QString, QString> values = request.settings;
    values.insert(QStringLiteral("audio.driver"), request.driver);
    values.insert(QStringLiteral("audio.period-size"), QString::number(request.periodFrames));
    values.insert(QStringLiteral("audio.periods"), QString::number(request.periods));
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
            return nullptr;
        }
    }
    FluidErrorCapture capture;
    fluid_audio_driver_t* driver = new_fluid_audio_driver(settings, synth.synth());
    if (!driver) {
        *error = capture.text().isEmpty() ? QStringLiteral("FluidSynth could not open it") : capture.text();
        return nullptr;
    }
    return std::make_unique<FluidOutput>(driver, request.driver);
}

} // namespace

std::unique_ptr<AudioOutput> StartAudioOutput(GmSynth& synth, const AudioRequest& request, QString* error)
{
    if (!synth.settings() || !synth.synth()) {
        *error = QStringLiteral("there is no synthesizer");
        return nullptr;
    }
    if (request.driver == QStringLiteral("pulseaudio"))
        return StartPulse(synth, request, error);
    return StartFluid(synth, request, error);
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

} // namespace lyrovan
