#include "SoundLibraries.h"

#include "AudioOutput.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace lyrovan {

namespace {

static_assert(FLUIDSYNTH_VERSION_MAJOR == 2, "FluidSynth 2 is libfluidsynth.so.3");
const char* Libraries[] = {"libfluidsynth.so.3", "libpulse.so.0"};

struct Loaded {
    bool ok = false;
    QString error;
};

const Loaded& Load()
{
    static const Loaded loaded = [] {
        Loaded result;
        for (const char* library : Libraries) {
            // Global, so that the audio libraries under FluidSynth (ALSA,
            // JACK, SDL) can be found by name to be quietened and started.
            if (!dlopen(library, RTLD_NOW | RTLD_GLOBAL)) {
                const char* why = dlerror();
                result.error = QStringLiteral("cannot load %1: %2")
                                   .arg(QString::fromLatin1(library), QString::fromLocal8Bit(why ? why : "not found"));
                return result;
            }
        }
        QuietAudioLibraries();
        result.ok = true;
        return result;
    }();
    return loaded;
}

} // namespace

void UseSoundLibraryFiles(const char* fluidSynth, const char* pulseAudio)
{
    Libraries[0] = fluidSynth;
    Libraries[1] = pulseAudio;
}

bool LoadSoundLibraries(QString* error)
{
    const Loaded& loaded = Load();
    if (!loaded.ok && error)
        *error = loaded.error;
    return loaded.ok;
}

void* SoundLibraryFunction(const char* name)
{
    const Loaded& loaded = Load();
    void* function = loaded.ok ? dlsym(RTLD_DEFAULT, name) : nullptr;
    if (!function) {
        std::fprintf(stderr, "lyrovan: %s\n",
                     loaded.ok ? qPrintable(QStringLiteral("the sound libraries lack %1").arg(QString::fromLatin1(name)))
                               : qPrintable(loaded.error));
        std::abort();
    }
    return function;
}

} // namespace lyrovan
