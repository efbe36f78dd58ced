#include "Application.h"

#include "app/CommandLine.h"
#include "app/frmMain.h"
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

// Prints what the command line asked for: help and version to standard
// output, usage errors to standard error.
int Finish(const CommandLineResult& result)
{
    std::FILE* stream = result.exitCode == 0 ? stdout : stderr;
    std::fputs(result.output.toLocal8Bit().constData(), stream);
    return result.exitCode;
}

} // namespace

int RunApplication(int argc, char* argv[])
{
    // --help and --version answer before anything needs a display.
    if (const CommandLineResult early = ParseInformationalOptions(Arguments(argc, argv));
        early.action == CommandLineResult::Action::Exit)
        return Finish(early);

    PrepareFonts();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lyrovan"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision));
    const CommandLineResult commandLine = ParseCommandLine(QCoreApplication::arguments());
    if (commandLine.action == CommandLineResult::Action::Exit)
        return Finish(commandLine);
    LoadBundledFonts();

    // The synthesizer outlives the window, which closes it when it unloads.
    FluidSynthOut synthesizer;
    MainWindowParts parts;
    parts.programFolder = QCoreApplication::applicationDirPath();
    parts.midi = &synthesizer;
    frmMain window(parts);
    window.Form_Load();
    return app.exec();
}

} // namespace lyrovan
