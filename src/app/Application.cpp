#include "Application.h"

#include "app/CommandLine.h"
#include "app/DataFiles.h"
#include "app/StartupSteps.h"
#include "app/frmMain.h"
#include "errors/ShellOpen.h"
#include "sound/FluidSynthOut.h"
#include "ui/Fonts.h"
#include "Version.h"

#include <QApplication>
#include <cstdio>

namespace lyrovan {

namespace {

QStringList Arguments(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

// An option's value, else the environment variable's.
QString OptionOrEnvironment(const QString& option, const char* variable)
{
    return option.isEmpty() ? qEnvironmentVariable(variable) : option;
}

// The synthesizer's settings from the command line and the environment. An
// audio driver FluidSynth does not offer is told on standard error and
// left out: the program starts with the usual order of drivers.
FluidSynthOptions SoundOptions(const CommandLineOptions& options)
{
    FluidSynthOptions sound;
    sound.programFolder = QCoreApplication::applicationDirPath();
    sound.soundFont = OptionOrEnvironment(options.soundFont, "LYROVAN_SOUNDFONT");
    const QString driver = OptionOrEnvironment(options.audioDriver, "LYROVAN_AUDIO_DRIVER");
    QString error;
    if (!driver.isEmpty())
        sound.audioDrivers = AudioDriverChain(driver, &error);
    if (!error.isEmpty())
        std::fprintf(stderr, "lyrovan: %s\n", error.toLocal8Bit().constData());
    sound.audioDevice = OptionOrEnvironment(options.audioDevice, "LYROVAN_AUDIO_DEVICE");
    // A device named with a driver is that driver's; without one, every
    // driver tried is asked for it.
    if (error.isEmpty() && !driver.isEmpty())
        sound.audioDeviceDriver = driver;
    return sound;
}

// Prints what the command line asked for: help and version to standard
// output, usage errors to standard error.
int Finish(const CommandLineResult& result)
{
    std::FILE* stream = result.exitCode == 0 ? stdout : stderr;
    std::fputs(result.output.toLocal8Bit().constData(), stream);
    return result.exitCode;
}

// The application's name places its installed data: share/lyrovan in the
// XDG data folders. No window or message takes its title from it.
void NameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("lyrovan"));
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision));
}

} // namespace

int RunApplication(int argc, char* argv[])
{
    MarkStartupStep("main");
    // --help, --version and --check-data answer before anything needs a display.
    const CommandLineResult early = ParseInformationalOptions(Arguments(argc, argv));
    if (early.action == CommandLineResult::Action::Exit)
        return Finish(early);
    if (early.action == CommandLineResult::Action::CheckData) {
        QCoreApplication app(argc, argv);
        NameApplication();
        QString report;
        const int status = CheckDataFiles(DataFolders(QCoreApplication::applicationDirPath()), report);
        std::fputs(report.toLocal8Bit().constData(), status == 0 ? stdout : stderr);
        return status;
    }

    // Trying the audio outputs in turn must not start a sound server: JACK's
    // library starts one when it is tried and none runs (and prints that it
    // tried). Only a user who asks for JACK by name gets that.
    if (OptionOrEnvironment(early.options.audioDriver, "LYROVAN_AUDIO_DRIVER") != QStringLiteral("jack")
        && !qEnvironmentVariableIsSet("JACK_NO_START_SERVER")) {
        qputenv("JACK_NO_START_SERVER", "1");
        KeepFromChildren(QStringLiteral("JACK_NO_START_SERVER"));
    }

    NameProgramForSoundServers();
    PrepareFonts();
    QApplication app(argc, argv);
    MarkStartupStep("application");
    NameApplication();
    // Lets the desktop match the windows to their desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lyrovan.Lyrovan"));
    const CommandLineResult commandLine = ParseCommandLine(QCoreApplication::arguments());
    if (commandLine.action == CommandLineResult::Action::Exit)
        return Finish(commandLine);
    if (!commandLine.warning.isEmpty())
        std::fputs(commandLine.warning.toLocal8Bit().constData(), stderr);
    LoadBundledFonts();
    MarkStartupStep("fonts");

    // The synthesizer outlives the window, which closes it when it unloads.
    FluidSynthOut synthesizer(SoundOptions(commandLine.options));
    MainWindowParts parts;
    // The window looks in programFolder, then in dataFolders: the first of
    // the folders to look in and the rest.
    const QStringList folders = DataFolders(QCoreApplication::applicationDirPath());
    parts.programFolder = folders.constFirst();
    parts.dataFolders = folders.mid(1);
    parts.midi = &synthesizer;
    parts.tuning = commandLine.options.tuning;
    parts.leftHanded = commandLine.options.leftHanded;
    frmMain window(parts);
    MarkStartupStep("built");
    window.Form_Load();
    MarkStartupStep("loaded");
    return app.exec();
}

} // namespace lyrovan
