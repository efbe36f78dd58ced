#include "GmSynth.h"

#include "SoundFonts.h"

#include "SoundLibraries.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <mutex>

namespace lyrovan {

namespace {

Q_LOGGING_CATEGORY(lcSound, "lyrovan.sound", QtWarningMsg)

// The channels a MIDI message can reach; those above keep instruments loaded.
constexpr int PlayingChannels = 16;

// The innermost capture of the current thread; FluidSynth logs from whichever
// thread hit the problem, so captures are per thread.
thread_local FluidErrorCapture* t_capture = nullptr;

void logHandler(int level, const char* message, void*)
{
    const QString text = QString::fromLocal8Bit(message);
    if (level <= FLUID_ERR) {
        if (t_capture)
            t_capture->append(text);
        else
            qCWarning(lcSound, "FluidSynth: %s", qUtf8Printable(text));
    } else {
        qCDebug(lcSound, "FluidSynth: %s", qUtf8Printable(text));
    }
}

void installLogHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, logHandler, nullptr);
    });
}

QString withCause(const QString& text, const FluidErrorCapture& capture)
{
    return capture.text().isEmpty() ? text : text + QStringLiteral(": ") + capture.text();
}

} // namespace

FluidErrorCapture::FluidErrorCapture() : m_outer(t_capture)
{
    installLogHandler();
    t_capture = this;
}

FluidErrorCapture::~FluidErrorCapture()
{
    t_capture = m_outer;
}

void FluidErrorCapture::append(const QString& message)
{
    if (!m_text.isEmpty())
        m_text += QStringLiteral("; ");
    m_text += message;
}

QStringList GmSynth::defaultSoundFontPaths()
{
    return FindSoundFonts(QString(),
                          QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString())
        .files;
}

GmSynth::GmSynth(const QStringList& soundFontPaths, double sampleRate) : m_sampleRate(sampleRate)
{
    FluidErrorCapture capture;
    m_settings = new_fluid_settings();
    if (!m_settings) {
        m_error = withCause(QStringLiteral("Could not create the synthesizer's settings"), capture);
        return;
    }
    // Only the samples of the instruments in use are read from the soundfont,
    // when a channel selects them: loading takes milliseconds instead of
    // reading the whole file, and memory stays small.
    fluid_settings_setint(m_settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(m_settings, "synth.sample-rate", sampleRate);
    // Sixteen channels to play on and sixteen that keep instruments loaded.
    fluid_settings_setint(m_settings, "synth.midi-channels", 2 * PlayingChannels);

    m_synth = new_fluid_synth(m_settings);
    if (!m_synth) {
        m_error = withCause(QStringLiteral("Could not create the synthesizer"), capture);
        return;
    }
    loadSoundFont(soundFontPaths);
}

GmSynth::~GmSynth()
{
    // The synthesizer unloads its soundfonts; the settings go last.
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

bool GmSynth::loadSoundFont(const QStringList& soundFontPaths)
{
    m_failures.clear();
    if (soundFontPaths.isEmpty()) {
        m_error = QStringLiteral("No General MIDI soundfont: there is no place to look for one");
        return false;
    }
    QStringList missing;
    QStringList unreadable;
    for (const QString& path : soundFontPaths) {
        const QFileInfo info(path);
        if (!info.exists()) {
            missing << path;
            m_failures << path + QStringLiteral(": no such file");
            continue;
        }
        if (!info.isFile() || !info.isReadable()) {
            m_failures << path + QStringLiteral(": not a readable file");
            continue;
        }
        const QByteArray fileName = QFile::encodeName(path);
        if (!fluid_is_soundfont(fileName.constData())) {
            m_failures << path + QStringLiteral(": not a soundfont");
            continue;
        }
        FluidErrorCapture capture;
        const int id = fluid_synth_sfload(m_synth, fileName.constData(), 1);
        if (id == FLUID_FAILED) {
            m_failures << withCause(path + QStringLiteral(": FluidSynth could not load it"), capture);
            continue;
        }
        if (!hasGuitarsAndBasses(id)) {
            fluid_synth_sfunload(m_synth, id, 1);
            m_failures << path + QStringLiteral(": not a General MIDI soundfont (no guitar and bass "
                                                "programs 24 to 39 in bank 0)");
            continue;
        }
        m_soundFontId = id;
        m_soundFontPath = path;
        m_error.clear();
        return true;
    }
    for (const QString& failure : m_failures) {
        if (!failure.endsWith(QStringLiteral(": no such file")))
            unreadable << failure;
    }
    if (unreadable.isEmpty()) {
        m_error = QStringLiteral("No General MIDI soundfont found; looked for ")
                  + soundFontPaths.join(QStringLiteral(", "));
    } else {
        m_error = QStringLiteral("No usable General MIDI soundfont; could not read ") + unreadable.join(QStringLiteral("; "));
        if (!missing.isEmpty())
            m_error += QStringLiteral("; not found: ") + missing.join(QStringLiteral(", "));
    }
    return false;
}

bool GmSynth::hasGuitarsAndBasses(int soundFontId) const
{
    fluid_sfont_t* font = fluid_synth_get_sfont_by_id(m_synth, soundFontId);
    if (!font)
        return false;
    for (int program = 24; program <= 39; ++program) {
        if (!fluid_sfont_get_preset(font, 0, program))
            return false;
    }
    return true;
}

void GmSynth::shortMessage(std::uint32_t message)
{
    if (!isLoaded())
        return;
    const int status = static_cast<int>(message & 0xFFu);
    const int data1 = static_cast<int>((message >> 8) & 0x7Fu);
    const int data2 = static_cast<int>((message >> 16) & 0x7Fu);
    const int channel = status & 0x0F;
    switch (status & 0xF0) {
    case 0xC0:
        fluid_synth_program_change(m_synth, channel, data1);
        break;
    case 0x90:
        fluid_synth_noteon(m_synth, channel, data1, data2);
        break;
    default:
        break;
    }
}

void GmSynth::allNotesOff()
{
    if (!m_synth)
        return;
    const int channels = fluid_synth_count_midi_channels(m_synth);
    for (int channel = 0; channel < channels; ++channel)
        fluid_synth_all_notes_off(m_synth, channel);
}

void GmSynth::allSoundsOff()
{
    if (!m_synth)
        return;
    const int channels = fluid_synth_count_midi_channels(m_synth);
    for (int channel = 0; channel < channels; ++channel)
        fluid_synth_all_sounds_off(m_synth, channel);
}

int GmSynth::activeVoiceCount() const
{
    return m_synth ? fluid_synth_get_active_voice_count(m_synth) : 0;
}

bool GmSynth::render(float* out, int frames)
{
    return write(out, out + 1, 2, frames);
}

bool GmSynth::write(float* left, float* right, int step, int frames)
{
    if (!m_synth || frames < 0)
        return false;
    return fluid_synth_write_float(m_synth, frames, left, 0, step, right, 0, step) == FLUID_OK;
}

void GmSynth::keepProgramsLoaded(int first, int last)
{
    if (!isLoaded())
        return;
    for (int program = first; program <= last && program - first < PlayingChannels; ++program) {
        const int channel = PlayingChannels + program - first;
        fluid_synth_set_channel_type(m_synth, channel, CHANNEL_TYPE_MELODIC);
        fluid_synth_program_change(m_synth, channel, program);
    }
}

bool GmSynth::setSetting(const QString& name, const QString& value)
{
    if (!m_settings)
        return false;
    const QByteArray key = name.toUtf8();
    bool ok = false;
    switch (fluid_settings_get_type(m_settings, key.constData())) {
    case FLUID_NUM_TYPE: {
        const double number = value.toDouble(&ok);
        return ok && fluid_settings_setnum(m_settings, key.constData(), number) == FLUID_OK;
    }
    case FLUID_INT_TYPE: {
        const int number = value.toInt(&ok);
        return ok && fluid_settings_setint(m_settings, key.constData(), number) == FLUID_OK;
    }
    case FLUID_STR_TYPE:
        return fluid_settings_setstr(m_settings, key.constData(), value.toUtf8().constData())
               == FLUID_OK;
    default:
        return false;
    }
}

} // namespace lyrovan
