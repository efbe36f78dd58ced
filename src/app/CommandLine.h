#pragma once
// The program's command line. It is read twice: once before the application
// object exists, so that --help and --version answer without a display, and
// once after QApplication has taken its own options (-platform, -style, ...)
// out of the arguments, for the options the program itself uses.

#include "theory/TuningTexts.h"

#include <QString>
#include <QStringList>

namespace lyrovan {

// What the user asked for on the command line; an empty text: not given.
struct CommandLineOptions {
    QString audioDriver; // --audio-driver NAME
    QString audioDevice; // --audio-device DEVICE
    QString soundFont;   // --soundfont FILE
    TuningRequest tuning; // --tuning NAME or --tuning NOTES; standard where not given
    bool leftHanded = false; // --left-handed
};

struct CommandLineResult {
    // Run: start the program with `options`. Exit: print `output` and end
    // with `exitCode` (0 after --help or --version; 1 after a usage error,
    // whose text goes to standard error). CheckData: report where the data
    // files are and end, without a window (--check-data).
    enum class Action { Run, Exit, CheckData };
    Action action = Action::Run;
    int exitCode = 0;
    QString output;
    // With Run: what the program tells on standard error and then starts
    // without (a tuning it does not know).
    QString warning;
    CommandLineOptions options;
};

// --help, --version and --check-data, and the audio driver asked for;
// everything else is left for later. Call before the application object
// exists. Action::Run when none of the three was asked for.
CommandLineResult ParseInformationalOptions(const QStringList& arguments);

// Every option, on the arguments that remain once Qt has taken its own.
CommandLineResult ParseCommandLine(const QStringList& arguments);

} // namespace lyrovan
