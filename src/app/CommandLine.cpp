#include "CommandLine.h"

#include "Version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace lyrovan {

namespace {

const QString AudioDriverOption = QStringLiteral("audio-driver");
const QString AudioDeviceOption = QStringLiteral("audio-device");
const QString SoundFontOption = QStringLiteral("soundfont");
const QString TuningOption = QStringLiteral("tuning");
const QString LeftHandedOption = QStringLiteral("left-handed");

// The parser names the program "<executable_name>" while no application
// object exists; the program's name is fixed anyway.
QString HelpText(const QCommandLineParser& parser)
{
    QString text = parser.helpText();
    text.replace(QStringLiteral("<executable_name>"), QStringLiteral("lyrovan"));
    return text;
}

QString VersionText()
{
    return QStringLiteral("Lyrovan %1.%2.%3\n").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

// The one parser both readings use, so that --help lists every option.
struct Parser {
    QCommandLineParser parser;
    // Our own help option: Qt's adds --help-all, whose text only its
    // process() can print, and that needs the application object.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Displays this help and exits.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Displays the version and exits.")};
    QCommandLineOption checkData{QStringLiteral("check-data"),
                                 QStringLiteral("Looks for the chord database and the help file, reads them, "
                                                "prints where they are and exits (status 1 when one of them "
                                                "cannot be read).")};

    Parser()
    {
        parser.setApplicationDescription(QStringLiteral(
            "Shows the chords and scales of a key on a guitar neck, with their stored fingerings, "
            "and strums them through a General MIDI synthesizer."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(checkData);
        parser.addOption({AudioDriverOption,
                          QStringLiteral("Play through the FluidSynth audio driver <name> "
                                         "(for example pulseaudio, alsa, jack). Default: the "
                                         "first of pulseaudio, alsa, jack, sdl2, oss that opens."),
                          QStringLiteral("name")});
        parser.addOption({AudioDeviceOption,
                          QStringLiteral("Play on the audio device <device> of that driver."),
                          QStringLiteral("device")});
        parser.addOption({SoundFontOption,
                          QStringLiteral("Use the General MIDI soundfont <file> (.sf2 or .sf3)."),
                          QStringLiteral("file")});
        parser.addOption({TuningOption,
                          QStringLiteral("Tune the strings to <tuning>: a name from the Tuning menu "
                                         "(Drop D, DADGAD, \"Open G\", ...) or the open strings' notes "
                                         "from the lowest up, six for a guitar (E2,A2,D3,G3,B3,E4) or "
                                         "four for a bass (E1,A1,D2,G2). Default: standard tuning."),
                          QStringLiteral("tuning")});
        parser.addOption({LeftHandedOption,
                          QStringLiteral("Show the neck and the chord diagrams mirrored, as a left-handed "
                                         "player reads them: the nut on the right, string 6 on the right.")});
    }
};

CommandLineResult Exit(int code, const QString& output)
{
    CommandLineResult result;
    result.action = CommandLineResult::Action::Exit;
    result.exitCode = code;
    result.output = output;
    return result;
}

} // namespace

CommandLineResult ParseInformationalOptions(const QStringList& arguments)
{
    Parser p;
    // Qt's own options are unknown here; the parser still records the
    // options it knows, so their errors are left for the second reading.
    p.parser.parse(arguments);
    if (p.parser.isSet(p.help))
        return Exit(0, HelpText(p.parser));
    if (p.parser.isSet(p.version))
        return Exit(0, VersionText());
    CommandLineResult result;
    if (p.parser.isSet(p.checkData))
        result.action = CommandLineResult::Action::CheckData;
    result.options.audioDriver = p.parser.value(AudioDriverOption);
    return result;
}

CommandLineResult ParseCommandLine(const QStringList& arguments)
{
    Parser p;
    if (!p.parser.parse(arguments))
        return Exit(1, QStringLiteral("lyrovan: %1\nTry 'lyrovan --help' for more information.\n")
                           .arg(p.parser.errorText()));
    if (p.parser.isSet(p.help))
        return Exit(0, HelpText(p.parser));
    if (p.parser.isSet(p.version))
        return Exit(0, VersionText());
    if (!p.parser.positionalArguments().isEmpty())
        return Exit(1, QStringLiteral("lyrovan: unexpected argument '%1'\n"
                                      "Try 'lyrovan --help' for more information.\n")
                           .arg(p.parser.positionalArguments().constFirst()));
    CommandLineResult result;
    result.options.audioDriver = p.parser.value(AudioDriverOption);
    result.options.audioDevice = p.parser.value(AudioDeviceOption);
    result.options.soundFont = p.parser.value(SoundFontOption);
    result.options.leftHanded = p.parser.isSet(LeftHandedOption);
    if (p.parser.isSet(TuningOption)) {
        QString error;
        if (const std::optional<TuningRequest> tuning = ParseTuning(p.parser.value(TuningOption), &error))
            result.options.tuning = *tuning;
        else
            result.warning = QStringLiteral("lyrovan: %1; starting in standard tuning\n").arg(error);
    }
    return result;
}

} // namespace lyrovan
