#include "ChordTexts.h"

#include "theory/ChordTables.h"

#include <QLocale>
#include <QStringList>
#include <cmath>
#include <limits>

namespace lyrovan {

QString ChordQuerySql(const QString& key, int chordIndex)
{
    return QStringLiteral("SELECT * FROM Chords WHERE [Key] = '") + key + QStringLiteral("' AND [Name] = ") +
           QString::number(chordIndex) + QStringLiteral(" ORDER BY [Fret];");
}

QString FingeringCell(const QString& fingering, int string, int row)
{
    // Row by row, and within a row from string 1 to string 6.
    const qsizetype index = qsizetype(row) * DiagramStrings + (string - 1);
    if (index < 0 || index >= fingering.size())
        return QString();
    return fingering.mid(index, 1);
}

QString FieldText(const QVariant& value)
{
    return value.isNull() ? QString() : value.toString();
}

std::optional<std::int16_t> PositionFretFrom(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    double number = 0.0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float: {
        bool ok = false;
        number = value.toDouble(&ok);
        if (!ok)
            return std::nullopt;
        break;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        bool ok = false;
        number = QLocale::c().toDouble(value.toString().trimmed(), &ok);
        if (!ok)
            return std::nullopt;
        break;
    }
    default:
        return std::nullopt;
    }
    if (!std::isfinite(number))
        return std::nullopt;
    const double rounded = std::nearbyint(number); // the default mode rounds half to even
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

QString NoteList(const QString& construct)
{
    QString list;
    for (qsizetype i = 0; i < construct.size(); i += 2)
        list += construct.mid(i, 2) + QLatin1Char(' ');
    return list;
}

QString StatusChordCaption(const QString& key, const QString& suffix)
{
    return QStringLiteral("Chord:") + key + QLatin1Char(' ') + suffix;
}

QString ConstructionCaption(const QString& construct)
{
    return QStringLiteral("Chord construction:") + NoteList(construct);
}

QString FretCaption(int fret)
{
    return QStringLiteral("Fret ") + QString::number(fret);
}

QString DiagramChordCaption(const QString& key, const QString& suffix)
{
    return key + QLatin1Char(' ') + suffix;
}

namespace {

// One string of a fingering in words, read as the strum reads it: muted by
// an X in any row, else stopped at the marked cell farthest from the nut,
// else open (an O above the nut) or unmarked.
QString StringInWords(const ChordPosition& position, int string)
{
    const auto marked = [&](int row) { return !position.cell(string, row).trimmed().isEmpty(); };
    for (int row = 0; row < DiagramRows; ++row) {
        if (position.cell(string, row) == QStringLiteral("X"))
            return QStringLiteral("string %1 muted").arg(string);
    }
    for (int row = DiagramRows - 1; row > 0; --row) {
        if (!marked(row))
            continue;
        const QString finger = position.cell(string, row).trimmed();
        return QStringLiteral("string %1 fret %2 %3")
            .arg(string)
            .arg(position.fret + row)
            .arg(finger == QStringLiteral("T") ? QStringLiteral("thumb") : QStringLiteral("finger ") + finger);
    }
    return marked(0) ? QStringLiteral("string %1 open").arg(string) : QStringLiteral("string %1 unmarked").arg(string);
}

} // namespace

QString FingeringDescription(const QString& chord, int number, int count, const ChordPosition& position)
{
    const QString name = SpokenName(chord);
    if (!position.stored)
        return name.isEmpty() ? QStringLiteral("No fingering shown") : name + QStringLiteral(": no stored fingering");
    QStringList head;
    if (!name.isEmpty())
        head << name;
    if (number > 0)
        head << QStringLiteral("position %1 of %2").arg(number).arg(count);
    head << QStringLiteral("base fret %1").arg(position.fret);
    QStringList strings;
    for (int string = DiagramStrings; string >= 1; --string)
        strings << StringInWords(position, string);
    return head.join(QStringLiteral(", ")) + QStringLiteral(": ") + strings.join(QStringLiteral(", "));
}

} // namespace lyrovan
