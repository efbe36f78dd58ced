#include "TuningTexts.h"

#include "ChordTables.h"

#include <QRegularExpression>
#include <QStringList>

#include <span>

namespace lyrovan {

namespace {

// Lowest and highest open string a tuning may have, as the instrument
// sounds: C1..C6 for a guitar, an octave lower for a bass.
constexpr int LowestGuitarNote = 24;
constexpr int HighestGuitarNote = 84;

std::span<const NamedTuning> TuningsOf(Family family)
{
    if (family == Family::Bass)
        return BassTunings;
    return GuitarTunings;
}

// "Open G" -> "openg": names compare without case, blanks, '-' or '_'.
QString Folded(const QString& name)
{
    QString folded = name.toLower();
    folded.remove(QRegularExpression(QStringLiteral("[\\s_-]")));
    return folded;
}

// MIDI note of "E2", "F#3", "Bb1"; nothing if it is no such name.
std::optional<int> NoteWithOctave(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^([A-Ga-g])([#b]?)(-?\\d)$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const char letter = match.captured(1).toUpper().at(0).toLatin1();
    int pc = PitchClassOf(std::string{letter, ' '});
    if (match.captured(2) == QLatin1String("#"))
        pc += 1;
    else if (match.captured(2) == QLatin1String("b"))
        pc -= 1;
    return (match.captured(3).toInt() + 1) * 12 + pc;
}

} // namespace

QString TuningNotes(const Tuning& tuning, Family family)
{
    const int top = family == Family::Bass ? GuitarStrings - BassStrings + 1 : 1;
    QStringList names;
    for (int string = GuitarStrings; string >= top; --string)
        names << TableText(NoteNames[static_cast<std::size_t>(tuning.openPitchClass(string))]).trimmed();
    return names.join(QLatin1Char(' '));
}

QString TuningCaption(const NamedTuning& named, Family family)
{
    return QStringLiteral("%1 (%2)").arg(TableText(named.name), TuningNotes(named.tuning, family));
}

QString TuningName(const Tuning& tuning, Family family)
{
    for (const NamedTuning& named : TuningsOf(family))
        if (named.tuning == tuning)
            return TableText(named.name);
    return TuningNotes(tuning, family);
}

std::optional<TuningRequest> ParseTuning(const QString& text, QString* error)
{
    TuningRequest request;
    const QString wanted = Folded(text);
    for (Family family : {Family::Guitar, Family::Bass})
        for (const NamedTuning& named : TuningsOf(family))
            if (Folded(TableText(named.name)) == wanted)
                (family == Family::Guitar ? request.guitar : request.bass) = named.tuning;
    if (request.guitar || request.bass)
        return request;

    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
    if (parts.size() != GuitarStrings && parts.size() != BassStrings) {
        QStringList names;
        for (const NamedTuning& named : GuitarTunings)
            names << TableText(named.name);
        *error = QStringLiteral("unknown tuning '%1'; give one of %2, or six notes with octaves from the "
                                "lowest string up (E2,A2,D3,G3,B3,E4), four for a bass (E1,A1,D2,G2)")
                     .arg(text, names.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    const bool bass = parts.size() == BassStrings;
    const int octaveDown = bass ? BassOctaveDown : 0;
    std::array<int, GuitarStrings> lowFirst{};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const std::optional<int> note = NoteWithOctave(parts.at(i));
        if (!note) {
            *error = QStringLiteral("'%1' in the tuning '%2' is not a note with its octave, such as E2 or F#3")
                         .arg(parts.at(i), text);
            return std::nullopt;
        }
        if (*note < LowestGuitarNote - octaveDown || *note > HighestGuitarNote - octaveDown) {
            *error = QStringLiteral("the note %1 in the tuning '%2' is out of range (%3 to %4)")
                         .arg(parts.at(i), text, bass ? QStringLiteral("C0") : QStringLiteral("C1"),
                              bass ? QStringLiteral("C5") : QStringLiteral("C6"));
            return std::nullopt;
        }
        lowFirst[static_cast<std::size_t>(i)] = *note;
    }
    if (bass) {
        request.bass = BassTuningFrom({lowFirst[0], lowFirst[1], lowFirst[2], lowFirst[3]});
    } else {
        Tuning tuning{};
        for (int string = 1; string <= GuitarStrings; ++string)
            tuning.open[static_cast<std::size_t>(string - 1)] = lowFirst[static_cast<std::size_t>(GuitarStrings - string)];
        request.guitar = tuning;
    }
    return request;
}

} // namespace lyrovan
