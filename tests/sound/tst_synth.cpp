// The built-in synthesizer: real sound rendered into a buffer and checked for
// loudness and pitch, message decoding, soundfont search, and the MIDI device
// on top of it with and without an audio output.

#include "sound/FluidSynthOut.h"
#include "sound/GmSynth.h"
#include "sound/SoundFonts.h"

#include <fluidsynth.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace lyrovan;

namespace {

std::uint32_t programChange(int channel, int program)
{
    return static_cast<std::uint32_t>(0xC0 | channel | program << 8);
}

std::uint32_t noteOn(int channel, int note, int velocity)
{
    return static_cast<std::uint32_t>(0x90 | channel | note << 8 | velocity << 16);
}

// The first General MIDI soundfont the program would find, or empty.
QString installedSoundFont()
{
    const QStringList paths = GmSynth::defaultSoundFontPaths();
    const auto found = std::find_if(paths.cbegin(), paths.cend(),
                                    [](const QString& path) { return QFileInfo(path).isFile(); });
    return found == paths.cend() ? QString() : *found;
}

// Renders seconds of sound and mixes it down to mono.
std::vector<double> renderMono(GmSynth& synth, double seconds)
{
    const int frames = static_cast<int>(seconds * synth.sampleRate());
    std::vector<float> stereo(2 * static_cast<std::size_t>(frames));
    if (!synth.render(stereo.data(), frames))
        return {};
    std::vector<double> mono(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5 * (double(stereo[2 * i]) + double(stereo[2 * i + 1]));
    return mono;
}

double rms(const std::vector<double>& x, std::size_t from, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = from; i < from + count && i < x.size(); ++i)
        sum += x[i] * x[i];
    return count ? std::sqrt(sum / double(count)) : 0.0;
}

double maxDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    double most = a.size() == b.size() ? 0.0 : INFINITY;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        most = std::max(most, std::abs(a[i] - b[i]));
    return most;
}

// Fundamental frequency by the YIN method: the difference function of the
// signal against itself at each lag, normalised by its running mean; the
// first lag that dips below the threshold (followed down to its minimum) is
// the period, refined by a parabola through its neighbours. Taking the first
// good dip rather than the deepest keeps multiples of the period (an octave
// low) from winning.
// Searches 30..1500 Hz; returns 0 if nothing periodic is found.
double fundamentalHz(const std::vector<double>& x, std::size_t from, std::size_t window,
                     double sampleRate)
{
    const auto minLag = static_cast<std::size_t>(sampleRate / 1500.0);
    const auto maxLag = static_cast<std::size_t>(sampleRate / 30.0);
    if (from + window + maxLag + 1 > x.size())
        return 0.0;
    std::vector<double> normalised(maxLag + 2, 1.0);
    double running = 0.0;
    for (std::size_t lag = 1; lag <= maxLag + 1; ++lag) {
        double sum = 0.0;
        for (std::size_t i = from; i < from + window; ++i) {
            const double d = x[i] - x[i + lag];
            sum += d * d;
        }
        running += sum;
        normalised[lag] = running > 0.0 ? sum * double(lag) / running : 1.0;
    }
    // A dip counts if it is nearly as deep as the deepest one: a guitar's
    // low string can be almost periodic at half its period, as its second
    // harmonic is much stronger than its fundamental.
    const double deepest = *std::min_element(normalised.begin() + std::ptrdiff_t(minLag),
                                             normalised.begin() + std::ptrdiff_t(maxLag) + 1);
    const double threshold = std::min(deepest + 0.05, 0.3);
    std::size_t best = 0;
    for (std::size_t lag = minLag; lag <= maxLag; ++lag) {
        if (normalised[lag] < threshold) {
            while (lag < maxLag && normalised[lag + 1] < normalised[lag])
                ++lag;
            best = lag;
            break;
        }
    }
    if (best == 0)
        return 0.0;
    const double a = normalised[best - 1], b = normalised[best], c = normalised[best + 1];
    const double curve = a - 2.0 * b + c;
    const double shift = curve > 0.0 ? 0.5 * (a - c) / curve : 0.0;
    return sampleRate / (double(best) + shift);
}

// Peak level (0..1) of a 16-bit WAV file; 0 if it has no samples.
double wavPeak(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data");
    if (data < 0)
        return 0.0;
    int peak = 0;
    for (qsizetype i = data + 8; i + 1 < bytes.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[i])
                                                      | static_cast<std::uint8_t>(bytes[i + 1]) << 8);
        peak = std::max(peak, std::abs(int(sample)));
    }
    return peak / 32768.0;
}

double cents(double hz, double referenceHz)
{
    return 1200.0 * std::log2(hz / referenceHz);
}

} // namespace

class TestSynth : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void notePitch_data();
    void notePitch();
    void messagesThatLeaveTheNoteAlone_data();
    void messagesThatLeaveTheNoteAlone();
    void stoppingNotes_data();
    void stoppingNotes();
    void soundFontSearch_data();
    void soundFontSearch();
    void soundFontPlaces_data();
    void soundFontPlaces();

    void unknownDeviceFails_data();
    void unknownDeviceFails();
    void closedDeviceIgnoresEverything();
    void openWithoutSoundFontFails_data();
    void openWithoutSoundFontFails();
    void openWithoutAudioOutputFails_data();
    void openWithoutAudioOutputFails();
    void defaultAudioOutput();
    void strumThroughFileOutput_data();
    void strumThroughFileOutput();
    void openWhileLoadingDoesNotWait_data();
    void openWhileLoadingDoesNotWait();

private:
    QString m_soundFont;
    QString m_compressedSoundFont; // an .sf3 General MIDI soundfont
    QTemporaryDir m_dir;
};

void TestSynth::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_soundFont = installedSoundFont();
    // Debian's fluidr3mono-gm-soundfont (tools/packages.txt) ships one.
    for (const QString& path : GmSynth::defaultSoundFontPaths()) {
        if (QFileInfo(path).canonicalFilePath().endsWith(QStringLiteral(".sf3"))) {
            m_compressedSoundFont = path;
            break;
        }
    }
    // An unreadable file with a soundfont's name and a zero-length one.
    QFile corrupt(m_dir.filePath(QStringLiteral("corrupt.sf2")));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    corrupt.write(QByteArray("RIFF\x10\x00\x00\x00sfbkLIST", 16) + QByteArray(300, '\x5a'));
    corrupt.close();
    QFile empty(m_dir.filePath(QStringLiteral("empty.sf2")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
}

void TestSynth::notePitch_data()
{
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("note");
    QTest::addColumn<double>("expectedHz");
    QTest::addColumn<bool>("compressed"); // from the .sf3 soundfont

    QTest::newRow("nylon guitar A2") << 24 << 0 << 45 << 110.0 << false;
    QTest::newRow("nylon guitar E4") << 24 << 0 << 64 << 329.628 << false;
    QTest::newRow("steel guitar low E2") << 25 << 3 << 40 << 82.407 << false;
    QTest::newRow("clean electric D3") << 27 << 15 << 50 << 146.832 << false;
    QTest::newRow("finger bass A2") << 33 << 0 << 45 << 110.0 << false;
    QTest::newRow("finger bass A1") << 33 << 1 << 33 << 55.0 << false;
    QTest::newRow("pick bass E1") << 34 << 7 << 28 << 41.203 << false;
    QTest::newRow("sf3 nylon guitar A2") << 24 << 0 << 45 << 110.0 << true;
    QTest::newRow("sf3 finger bass A1") << 33 << 1 << 33 << 55.0 << true;
}

void TestSynth::notePitch()
{
    QFETCH(int, program);
    QFETCH(int, channel);
    QFETCH(int, note);
    QFETCH(double, expectedHz);
    QFETCH(bool, compressed);
    if (m_soundFont.isEmpty())
        QSKIP("No General MIDI soundfont installed (fluid-soundfont-gm)");
    QVERIFY2(!compressed || !m_compressedSoundFont.isEmpty(),
             "No .sf3 soundfont installed (fluidr3mono-gm-soundfont, tools/setup.sh)");

    GmSynth synth({compressed ? m_compressedSoundFont : m_soundFont});
    QVERIFY2(synth.isLoaded(), qPrintable(synth.errorText()));
    synth.shortMessage(programChange(channel, program));
    synth.shortMessage(noteOn(channel, note, 100));
    const std::vector<double> sound = renderMono(synth, 1.0);
    QVERIFY(!sound.empty());

    // Half a second in: a plucked string starts a few cents sharp and
    // settles as it decays, as the recorded samples do.
    const auto from = static_cast<std::size_t>(0.5 * synth.sampleRate());
    const auto window = static_cast<std::size_t>(0.3 * synth.sampleRate());
    const double level = rms(sound, from, window);
    QVERIFY2(level > 1e-3, qPrintable(QStringLiteral("RMS level %1").arg(level)));

    const double hz = fundamentalHz(sound, from, window, synth.sampleRate());
    QVERIFY2(hz > 0.0, "no fundamental found");
    const double off = cents(hz, expectedHz);
    QVERIFY2(std::abs(off) < 5.0,
             qPrintable(QStringLiteral("heard %1 Hz, %2 cents off %3 Hz")
                            .arg(hz, 0, 'f', 3).arg(off, 0, 'f', 1).arg(expectedHz)));
}

void TestSynth::messagesThatLeaveTheNoteAlone_data()
{
    QTest::addColumn<std::uint32_t>("message");

    // Each would change or stop the note on channel 0 if it were played.
    QTest::newRow("note off") << std::uint32_t(0x80 | 45 << 8 | 64 << 16);
    QTest::newRow("all sound off") << std::uint32_t(0xB0 | 120 << 8);
    QTest::newRow("volume zero") << std::uint32_t(0xB0 | 7 << 8 | 0 << 16);
    QTest::newRow("pitch bend up") << std::uint32_t(0xE0 | 0x7F << 8 | 0x7F << 16);
    QTest::newRow("key pressure") << std::uint32_t(0xA0 | 45 << 8 | 127 << 16);
    QTest::newRow("channel pressure") << std::uint32_t(0xD0 | 127 << 8);
    QTest::newRow("system reset") << std::uint32_t(0xFF);
    QTest::newRow("data byte without status") << std::uint32_t(0x45 | 100 << 8);
    QTest::newRow("program change on another channel") << programChange(1, 33);
}

void TestSynth::messagesThatLeaveTheNoteAlone()
{
    QFETCH(std::uint32_t, message);
    if (m_soundFont.isEmpty())
        QSKIP("No General MIDI soundfont installed (fluid-soundfont-gm)");

    GmSynth reference({m_soundFont});
    GmSynth other({m_soundFont});
    QVERIFY(reference.isLoaded() && other.isLoaded());
    for (GmSynth* synth : {&reference, &other}) {
        synth->shortMessage(programChange(0, 24));
        synth->shortMessage(noteOn(0, 45, 100));
    }
    other.shortMessage(message);

    const std::vector<double> expected = renderMono(reference, 0.3);
    const std::vector<double> actual = renderMono(other, 0.3);
    QVERIFY(rms(expected, 0, expected.size()) > 1e-3);
    QCOMPARE(maxDifference(actual, expected), 0.0);
}

void TestSynth::stoppingNotes_data()
{
    QTest::addColumn<bool>("release");

    QTest::newRow("all notes off fades") << true;
    QTest::newRow("all sounds off stops") << false;
}

void TestSynth::stoppingNotes()
{
    QFETCH(bool, release);
    if (m_soundFont.isEmpty())
        QSKIP("No General MIDI soundfont installed (fluid-soundfont-gm)");

    GmSynth synth({m_soundFont});
    synth.shortMessage(programChange(0, 24));
    for (int note : {40, 45, 50, 55, 59, 64})
        synth.shortMessage(noteOn(0, note, 100));
    const std::vector<double> before = renderMono(synth, 0.5);
    const std::size_t tenMs = static_cast<std::size_t>(0.01 * synth.sampleRate());
    const double ringing = rms(before, before.size() - tenMs, tenMs);
    QVERIFY(ringing > 1e-3);

    if (release)
        synth.allNotesOff();
    else
        synth.allSoundsOff();
    const std::vector<double> after = renderMono(synth, 0.5);
    // 10 ms later: a released note is still well audible (no click-off); a
    // stopped one has gone, up to the reverb's tail.
    const double next = rms(after, tenMs, tenMs);
    if (release) {
        QVERIFY2(next > ringing * 0.3, qPrintable(QStringLiteral("%1 -> %2").arg(ringing).arg(next)));
        QVERIFY(synth.activeVoiceCount() > 0);
    } else {
        QVERIFY2(next < ringing * 0.1, qPrintable(QStringLiteral("%1 -> %2").arg(ringing).arg(next)));
        QCOMPARE(synth.activeVoiceCount(), 0);
    }
}

void TestSynth::soundFontSearch_data()
{
    // Entries: "missing", "corrupt", "empty" (files in the test folder) or
    // "installed" (the system's soundfont).
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("expectedIndex"); // -1: nothing loads

    QTest::newRow("empty list") << QStringList{} << -1;
    QTest::newRow("only missing") << QStringList{"missing", "missing"} << -1;
    QTest::newRow("only unreadable") << QStringList{"corrupt", "empty"} << -1;
    QTest::newRow("first is found") << QStringList{"installed", "missing"} << 0;
    QTest::newRow("missing ones skipped") << QStringList{"missing", "missing", "installed"} << 2;
    QTest::newRow("unreadable ones skipped") << QStringList{"corrupt", "empty", "installed"} << 2;
}

void TestSynth::soundFontSearch()
{
    QFETCH(QStringList, entries);
    QFETCH(int, expectedIndex);
    if (entries.contains(QStringLiteral("installed")) && m_soundFont.isEmpty())
        QSKIP("No General MIDI soundfont installed (fluid-soundfont-gm)");

    QStringList paths;
    for (const QString& entry : entries) {
        if (entry == QStringLiteral("installed"))
            paths << m_soundFont;
        else if (entry == QStringLiteral("missing"))
            paths << m_dir.filePath(QStringLiteral("missing%1.sf2").arg(paths.size()));
        else
            paths << m_dir.filePath(entry + QStringLiteral(".sf2"));
    }

    GmSynth synth(paths);
    QCOMPARE(synth.isLoaded(), expectedIndex >= 0);
    if (expectedIndex >= 0) {
        QCOMPARE(synth.soundFontPath(), paths.at(expectedIndex));
        QVERIFY(synth.errorText().isEmpty());
        return;
    }
    QVERIFY(synth.soundFontPath().isEmpty());
    QVERIFY(!synth.errorText().isEmpty());
    // The message names the files that were looked at.
    for (const QString& path : paths)
        QVERIFY2(synth.errorText().contains(path), qPrintable(synth.errorText()));
    // Without a soundfont nothing plays.
    synth.shortMessage(noteOn(0, 45, 100));
    QCOMPARE(synth.activeVoiceCount(), 0);
}

void TestSynth::soundFontPlaces_data()
{
    // Files made in a scratch tree: "prog/" the program's folder, "home/" and
    // "usr/" two XDG data folders; "a->b" is a link a to b.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("named");
    QTest::addColumn<QString>("fluidDefault");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("the order of places")
        << QStringList{"usr/sounds/sf3/c.sf3", "home/sounds/sf2/b.sf2", "prog/a.sf2", "etc/default.sf2", "mine.sf3"}
        << "mine.sf3" << "etc/default.sf2"
        << QStringList{"mine.sf3", "prog/a.sf2", "etc/default.sf2", "home/sounds/sf2/b.sf2", "usr/sounds/sf3/c.sf3"};
    QTest::newRow("default-GM first, then by name, sf2 and sf3")
        << QStringList{"usr/sounds/sf2/b.sf2", "usr/sounds/sf2/a.sf2", "usr/sounds/sf2/default-GM.sf2",
                       "usr/sounds/sf2/notes.txt"}
        << QString() << QString()
        << QStringList{"usr/sounds/sf2/default-GM.sf2", "usr/sounds/sf2/a.sf2", "usr/sounds/sf2/b.sf2"};
    QTest::newRow("one file under two names once")
        << QStringList{"usr/sounds/sf2/real.sf2", "usr/sounds/sf3/default-GM.sf3->usr/sounds/sf2/real.sf2"}
        << QString() << "usr/sounds/sf3/default-GM.sf3" << QStringList{"usr/sounds/sf3/default-GM.sf3"};
    QTest::newRow("a named file that is missing is still tried")
        << QStringList{"usr/sounds/sf2/a.sf2"} << "gone.sf2" << QString()
        << QStringList{"gone.sf2", "usr/sounds/sf2/a.sf2"};
}

void TestSynth::soundFontPlaces()
{
    QFETCH(QStringList, files);
    QFETCH(QString, named);
    QFETCH(QString, fluidDefault);
    QFETCH(QStringList, expected);
    QTemporaryDir root;
    const auto at = [&](const QString& relative) { return relative.isEmpty() ? QString() : root.filePath(relative); };
    for (const QString& file : files) {
        const QStringList link = file.split(QStringLiteral("->"));
        QVERIFY(QDir().mkpath(QFileInfo(at(link[0])).path()));
        if (link.size() == 2) {
            QVERIFY(QFile::link(at(link[1]), at(link[0])));
        } else {
            QFile f(at(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }
    QStringList paths;
    for (const QString& path : expected)
        paths << at(path);
    const SoundFontSearch search = FindSoundFonts(at(named), at(QStringLiteral("prog")), at(fluidDefault),
                                                  {at(QStringLiteral("home")), at(QStringLiteral("usr"))});
    QCOMPARE(search.files, paths);
    QVERIFY(search.places.contains(at(QStringLiteral("home/sounds/sf3"))));
}

void TestSynth::unknownDeviceFails_data()
{
    QTest::addColumn<int>("deviceId");

    QTest::newRow("0") << 0;
    QTest::newRow("1") << 1;
    QTest::newRow("-2") << -2;
    QTest::newRow("255") << 255;
}

void TestSynth::unknownDeviceFails()
{
    QFETCH(int, deviceId);
    FluidSynthOut out;
    QCOMPARE(out.open(deviceId), std::int32_t(FluidSynthOut::UnknownDevice));
    QVERIFY(!out.isOpen());
    QVERIFY(!out.errorText().isEmpty());
    // No soundfont is loaded for a device that does not exist.
    QVERIFY(!out.synth());
}

void TestSynth::closedDeviceIgnoresEverything()
{
    FluidSynthOut out;
    out.shortMessage(programChange(0, 24));
    out.shortMessage(noteOn(0, 45, 100));
    out.close();
    out.close();
    QVERIFY(!out.isOpen());
    QVERIFY(!out.hasAudioOutput());
    // Messages to a closed device do not load the synthesizer.
    QVERIFY(!out.synth());
}

void TestSynth::openWithoutSoundFontFails_data()
{
    QTest::addColumn<QStringList>("names");

    QTest::newRow("empty search list") << QStringList{};
    QTest::newRow("missing files") << QStringList{"nowhere.sf2"};
    QTest::newRow("unreadable files") << QStringList{"corrupt.sf2", "empty.sf2"};
}

void TestSynth::openWithoutSoundFontFails()
{
    QFETCH(QStringList, names);
    FluidSynthOptions options;
    options.soundFontPaths.emplace();
    for (const QString& name : names)
        *options.soundFontPaths << m_dir.filePath(name);
    options.report = [](const QString&) {};

    FluidSynthOut out(options);
    for (int attempt = 0; attempt < 2; ++attempt) {
        QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::NoSynthesizer));
        QVERIFY(!out.isOpen());
        QVERIFY(!out.hasAudioOutput());
        QVERIFY(!out.synth());
        QVERIFY(out.errorText().contains(QStringLiteral("soundfont")));
        out.shortMessage(noteOn(0, 45, 100));
        out.close();
    }
}

void TestSynth::openWithoutAudioOutputFails_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("deviceSetting");
    QTest::addColumn<QString>("device");

    QTest::newRow("no such driver") << "no-such-driver" << QString() << QString();
    QTest::newRow("no such sound card") << "alsa" << "audio.alsa.device" << "hw:97,0";
    QTest::newRow("unknown setting") << "alsa" << "audio.alsa.no-such-setting" << "1";
}

void TestSynth::openWithoutAudioOutputFails()
{
    QFETCH(QString, driver);
    QFETCH(QString, deviceSetting);
    QFETCH(QString, device);
    if (m_soundFont.isEmpty())
        QSKIP("No General MIDI soundfont installed (fluid-soundfont-gm)");

    FluidSynthOptions options;
    options.soundFontPaths = QStringList{m_soundFont};
    options.audioDrivers = QStringList{driver};
    if (!deviceSetting.isEmpty())
        options.audioSettings.insert(deviceSetting, device);
    options.report = [](const QString&) {};
    FluidSynthOut out(options);

    QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::NoAudioOutput));
    QVERIFY(!out.isOpen());
    QVERIFY(!out.hasAudioOutput());
    QVERIFY(!out.errorText().isEmpty());
    // The soundfont stays loaded for the next try, and nothing is played
    // while the device is not open.
    const GmSynth* loaded = out.synth();
    QVERIFY(loaded && loaded->isLoaded());
    out.shortMessage(programChange(0, 24));
    out.shortMessage(noteOn(0, 45, 100));
    QCOMPARE(loaded->activeVoiceCount(), 0);
    out.close();

    QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::NoAudioOutput));
    QCOMPARE(out.synth(), loaded);
}

void TestSynth::defaultAudioOutput()
{
    if (m_soundFont.isEmpty())
        QSKIP("No General MIDI soundfont installed (fluid-soundfont-gm)");
    // The usual order of outputs: fails on machines without sound (build
    // servers), plays where there is some; either way cleanly.
    FluidSynthOptions options;
    options.soundFontPaths = QStringList{m_soundFont};
    options.report = [](const QString&) {};
    FluidSynthOut out(options);
    const std::int32_t result = out.open(-1);
    if (result == FluidSynthOut::Opened) {
        QVERIFY(out.isOpen() && out.hasAudioOutput());
        QVERIFY(out.errorText().isEmpty());
        out.close();
        QVERIFY(!out.isOpen());
    } else {
        QCOMPARE(result, std::int32_t(FluidSynthOut::NoAudioOutput));
        QVERIFY(!out.isOpen() && !out.hasAudioOutput());
        QVERIFY(out.errorText().startsWith(QStringLiteral("No audio output")));
    }
}

void TestSynth::strumThroughFileOutput_data()
{
    QTest::addColumn<int>("program");
    QTest::addColumn<int>("releaseLimitMs");

    // The jazz guitar's release is over in a fraction of a second; the steel
    // guitar's lasts for seconds and is faded out at the limit.
    QTest::newRow("released notes fall silent") << 26 << 10000;
    QTest::newRow("long release faded out") << 25 << 100;
}

void TestSynth::strumThroughFileOutput()
{
    QFETCH(int, program);
    QFETCH(int, releaseLimitMs);
    if (m_soundFont.isEmpty())
        QSKIP("No General MIDI soundfont installed (fluid-soundfont-gm)");
    // FluidSynth's file driver stands in for a sound card.
    const QString wav = m_dir.filePath(QStringLiteral("strum%1.wav").arg(program));
    FluidSynthOptions options;
    options.soundFontPaths = QStringList{m_soundFont};
    options.audioDrivers = QStringList{QStringLiteral("file")};
    options.audioDevice = wav;
    options.releasePollMs = 20;
    options.releaseMinimumMs = 40;
    options.releaseLimitMs = releaseLimitMs;
    FluidSynthOut out(options);

    QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::Opened));
    QVERIFY(out.isOpen() && out.hasAudioOutput());
    const GmSynth* loaded = out.synth();
    const float gain = fluid_synth_get_gain(loaded->synth());
    const auto strum = [&] {
        out.shortMessage(programChange(0, program));
        for (int note : {40, 45, 50, 55, 59, 64})
            out.shortMessage(noteOn(0, note, 100));
    };
    strum();
    QVERIFY(loaded->activeVoiceCount() > 0);

    // Closing releases the notes but keeps the output until they are silent;
    // opening again in that time plays on through it.
    out.close();
    QVERIFY(!out.isOpen());
    QVERIFY(out.hasAudioOutput());
    QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::Opened));
    QCOMPARE(out.synth(), loaded);
    out.close();
    QTRY_VERIFY_WITH_TIMEOUT(!out.hasAudioOutput(), 15000);
    QCOMPARE(loaded->activeVoiceCount(), 0);
    // The output is back at full level for the next strum.
    QCOMPARE(fluid_synth_get_gain(loaded->synth()), gain);
    // The strum reached the output.
    QVERIFY2(wavPeak(wav) > 0.01, qPrintable(QStringLiteral("peak %1").arg(wavPeak(wav))));

    // A later open starts a new output with the same synthesizer.
    QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::Opened));
    QCOMPARE(out.synth(), loaded);
    QVERIFY(out.hasAudioOutput());
    strum();
    QVERIFY(loaded->activeVoiceCount() > 0);
    out.close();
}

void TestSynth::openWhileLoadingDoesNotWait_data()
{
    QTest::addColumn<bool>("withSoundFont");
    QTest::newRow("the output opens: the strum's messages are played") << true;
    QTest::newRow("no soundfont: the failure comes later") << false;
}

void TestSynth::openWhileLoadingDoesNotWait()
{
    QFETCH(bool, withSoundFont);
    if (withSoundFont && m_soundFont.isEmpty())
        QSKIP("No General MIDI soundfont installed (fluid-soundfont-gm)");
    FluidSynthOptions options;
    options.soundFontPaths = withSoundFont ? QStringList{m_soundFont} : QStringList{m_dir.filePath("nowhere.sf2")};
    options.audioDrivers = QStringList{QStringLiteral("file")};
    options.audioDevice = m_dir.filePath(QStringLiteral("loading.wav"));
    options.report = [](const QString&) {};
    FluidSynthOut out(options);
    int failedLater = 0;
    out.whenOpenFailsLater([&] { ++failedLater; });

    out.prepare();
    QCOMPARE(out.open(-1), std::int32_t(FluidSynthOut::Opened)); // at once: the load is still going
    QVERIFY(!out.isPrepared());
    out.shortMessage(programChange(0, 26));
    out.shortMessage(noteOn(0, 45, 100));
    QTRY_VERIFY_WITH_TIMEOUT(out.isPrepared() || failedLater > 0, 15000);
    QCOMPARE(out.isOpen(), withSoundFont);
    QCOMPARE(failedLater, withSoundFont ? 0 : 1);
    if (withSoundFont)
        QVERIFY(out.synth()->activeVoiceCount() > 0); // the note sent while loading sounds
    else
        QVERIFY(out.errorText().contains(QStringLiteral("soundfont")));
    out.close();
}

QTEST_GUILESS_MAIN(TestSynth)
#include "tst_synth.moc"
