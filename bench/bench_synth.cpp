// Open latency and memory of the built-in synthesizer.
//
// Cold: the first synthesizer of the process, soundfont read from disk (or the
// page cache). Warm: the soundfont already loaded, as for every strum after
// the first. Where the machine has no audio output the driver part fails;
// the time to that failure is what is measured then.

#include "sound/FluidSynthOut.h"
#include "sound/GmSynth.h"

#include <fluidsynth.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace lyrovan;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double timeMs(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return msSince(start);
}

// Resident memory in KiB, from /proc/self/status.
long residentKiB()
{
    // /proc files report no size, so read them whole rather than line by line.
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void report(const char* what, const std::vector<double>& ms)
{
    std::printf("%-48s n=%3zu  median %8.3f ms  p99 %8.3f ms\n", what, ms.size(),
                percentile(ms, 0.5), percentile(ms, 0.99));
}

void reportOnce(const char* what, double ms)
{
    std::printf("%-48s        once   %8.3f ms\n", what, ms);
}

void reportMemory(const char* what, long kib)
{
    std::printf("%-48s VmRSS %8.1f MiB\n", what, double(kib) / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString soundFont;
    for (const QString& path : GmSynth::defaultSoundFontPaths()) {
        if (QFileInfo(path).isFile()) {
            soundFont = path;
            break;
        }
    }
    if (soundFont.isEmpty()) {
        std::fprintf(stderr, "No General MIDI soundfont installed; nothing to measure.\n");
        return 1;
    }
    std::printf("soundfont: %s (%.1f MiB)\n\n", qPrintable(soundFont),
                double(QFileInfo(soundFont).size()) / (1024.0 * 1024.0));

    // Memory and time of the first load in this process.
    const long rssStart = residentKiB();
    reportMemory("before the synthesizer", rssStart);
    std::unique_ptr<GmSynth> first;
    reportOnce("cold: synthesizer + soundfont load",
               timeMs([&] { first = std::make_unique<GmSynth>(QStringList{soundFont}); }));
    if (!first->isLoaded()) {
        std::fprintf(stderr, "%s\n", qPrintable(first->errorText()));
        return 1;
    }
    const long rssLoaded = residentKiB();
    reportMemory("after loading (piano selected everywhere)", rssLoaded);
    reportOnce("first program change 24 (reads its samples)",
               timeMs([&] { first->shortMessage(0xC0 | 24 << 8); }));
    reportOnce("first note-on", timeMs([&] { first->shortMessage(0x90 | 45 << 8 | 100 << 16); }));
    reportMemory("after nylon guitar + one note", residentKiB());
    for (int channel = 0; channel < 16; ++channel) {
        if (channel != 9)
            first->shortMessage(static_cast<std::uint32_t>(0xC0 | channel | (24 + channel) << 8));
    }
    reportMemory("with 15 guitars and basses selected", residentKiB());
    first.reset();
    reportMemory("after the synthesizer is gone", residentKiB());
    std::printf("\n");

    std::vector<double> loads;
    for (int i = 0; i < 20; ++i)
        loads.push_back(timeMs([&] { GmSynth synth({soundFont}); }));
    report("synthesizer + soundfont load, create+destroy", loads);

    std::vector<double> programChanges;
    for (int i = 0; i < 20; ++i) {
        GmSynth synth({soundFont});
        programChanges.push_back(timeMs([&] { synth.shortMessage(0xC0 | 33 << 8); }));
    }
    report("program change 33 on a fresh synthesizer", programChanges);

    // The MIDI device with the usual order of audio outputs.
    FluidSynthOptions options;
    options.soundFontPaths = QStringList{soundFont};
    std::vector<double> coldOpens;
    std::int32_t coldResult = 0;
    QString coldError;
    for (int i = 0; i < 10; ++i) {
        FluidSynthOut out(options);
        coldOpens.push_back(timeMs([&] { coldResult = out.open(-1); }));
        coldError = out.errorText();
        out.close();
    }
    std::printf("\ndefault audio output: open(-1) returns %d%s%s\n", coldResult,
                coldError.isEmpty() ? "" : " - ", qPrintable(coldError));
    report("cold open(-1), default output", coldOpens);
    {
        FluidSynthOut out(options);
        out.open(-1);
        out.close();
        std::vector<double> warmOpens;
        for (int i = 0; i < 50; ++i) {
            warmOpens.push_back(timeMs([&] { out.open(-1); }));
            out.close();
        }
        report(coldResult == 0 ? "warm open(-1), default output (fading one reused)"
                               : "warm open(-1), default output (fails: no audio)",
               warmOpens);
    }

    // A working driver: FluidSynth's file output into a scratch folder, so
    // that the cost of starting an output can be seen without a sound card.
    QTemporaryDir dir;
    FluidSynthOptions fileOptions = options;
    fileOptions.audioDrivers = QStringList{QStringLiteral("file")};
    fileOptions.audioDevice = dir.filePath(QStringLiteral("bench.wav"));
    // Closed outputs are given back as soon as they are silent.
    fileOptions.releasePollMs = 1;
    fileOptions.releaseMinimumMs = 0;
    FluidSynthOut fileOut(fileOptions);
    const auto waitForRelease = [&] {
        while (fileOut.hasAudioOutput())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    const auto openFile = [&] {
        if (fileOut.open(-1) != 0)
            std::fprintf(stderr, "file output failed: %s\n", qPrintable(fileOut.errorText()));
    };
    reportOnce("cold open(-1), file output", timeMs(openFile));
    fileOut.close();
    waitForRelease();
    std::vector<double> fileWarm;
    std::vector<double> reuses;
    std::vector<double> closes;
    for (int i = 0; i < 50; ++i) {
        fileWarm.push_back(timeMs(openFile));
        fileOut.shortMessage(0x90 | 45 << 8 | 100 << 16);
        closes.push_back(timeMs([&] { fileOut.close(); }));
        reuses.push_back(timeMs(openFile));
        fileOut.close();
        waitForRelease();
    }
    report("warm open(-1), file output (new driver)", fileWarm);
    report("open(-1) while the last strum fades (reused)", reuses);
    report("close(), file output, one note sounding", closes);

    // For comparison: the whole soundfont read at once.
    std::printf("\n");
    const long rssBeforeFull = residentKiB();
    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    const double fullLoad = timeMs([&] {
        fluid_synth_sfload(synth, QFile::encodeName(soundFont).constData(), 1);
    });
    reportOnce("without dynamic sample loading: soundfont load", fullLoad);
    std::printf("%-48s VmRSS +%7.1f MiB\n", "without dynamic sample loading: memory",
                double(residentKiB() - rssBeforeFull) / 1024.0);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return 0;
}
