// The voicing rules of the chord database generator, one decision at a time.

#include "Positions.h"
#include "Voicing.h"
#include "theory/ChordTables.h"

#include <QTest>

using namespace lyrovan;
using namespace lyrovan::chordgen;

namespace {

// "x32010" or "x 15 14 12 13 12", low E first.
Frets frets(const QString& text)
{
    const QStringList parts = text.contains(QLatin1Char(' ')) ? text.split(QLatin1Char(' '))
                                                              : text.split(QString(), Qt::SkipEmptyParts);
    Frets f{};
    for (int s = 0; s < StringCount; ++s)
        f[s] = parts.value(s) == QLatin1String("x") ? Muted : parts.value(s).toInt();
    return f;
}

int typeNamed(const char* listText)
{
    for (int t = 0; t < ChordTypeCount; ++t)
        if (ChordTypes[t].listText == listText)
            return t;
    return -1;
}

} // namespace

class TestChordVoicing : public QObject {
    Q_OBJECT

private slots:
    void fingers_data();
    void fingers();
    void awkwardness_data();
    void awkwardness();
    void rules_data();
    void rules();
    void repeats_data();
    void repeats();
    void shapesPlayInTheirOwnKey();
    void optionalTonesAreChordTones();
};

void TestChordVoicing::fingers_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("expected"); // low E first, '.' open or muted; "" = unplayable
    QTest::newRow("A without a barre") << "x02220" << "x.123.";
    QTest::newRow("barre beside an open string") << "x33330" << "x1111.";
    QTest::newRow("barre between open strings") << "0x3333" << ".x1111";
    QTest::newRow("barre beside an open string, one finger above") << "x02225" << "x.1114";
    QTest::newRow("no barre over an open string") << "202220" << "2.333.";
    QTest::newRow("no barre over a muted string") << "3x333x" << "1x333x";
    QTest::newRow("ring finger flat on the highest fret") << "x32333" << "x21333";
    QTest::newRow("ring finger flat beside an open string") << "x02555" << "x.2444";
    QTest::newRow("Dm7 small barre") << "xx0211" << "xx.211";
    QTest::newRow("muted string under the barre") << "31x111" << "";
    QTest::newRow("open string under the barre") << "310111" << "";
    QTest::newRow("five fingers") << "x32435" << "";
    QTest::newRow("thumb on the bass") << "10 x 10 11 11 12" << "Tx1234";
    QTest::newRow("thumb too far") << "13 x 10 11 11 12" << "";
}

void TestChordVoicing::fingers()
{
    QFETCH(QString, shape);
    QFETCH(QString, expected);
    const Frets f = frets(shape);
    const std::optional<FingerChoice> hand = assignFingers(f, true);
    QCOMPARE(hand.has_value(), !expected.isEmpty());
    if (!hand)
        return;
    QString got;
    for (int s = 0; s < StringCount; ++s)
        got += f[s] == Muted ? QLatin1Char('x') : hand->fingers[s] ? QLatin1Char(hand->fingers[s]) : QLatin1Char('.');
    QCOMPARE(got, expected);
}

void TestChordVoicing::awkwardness_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<bool>("hard");
    QTest::addColumn<QString>("fingers"); // low E first, '.' open; "" = as assigned
    QTest::newRow("open C") << "x32010" << false << "";
    QTest::newRow("open G") << "320003" << false << "";
    QTest::newRow("E-shape barre") << "133211" << false << "";
    QTest::newRow("E-shape, little finger on A") << "585665" << false << "";
    QTest::newRow("A-shape barre") << "x13331" << false << "";
    QTest::newRow("barre beside an open string") << "x33330" << false << "";
    QTest::newRow("G shape moved up") << "542225" << true << "";
    QTest::newRow("ring finger back to the bass") << "x 12 x 11 12 9" << true << "";
    QTest::newRow("little finger back to the bass") << "5x2423" << true << "";
    QTest::newRow("C shape moved up") << "x 12 11 9 10 9" << true << "";
    QTest::newRow("barre under the bass finger") << "17 14 14 14 14 15" << true << "";
    // The ring finger lies flat rather than four fingers side by side, so
    // this hand is given.
    QTest::newRow("four fingers on one fret") << "202220" << true << "1.234.";
}

void TestChordVoicing::awkwardness()
{
    QFETCH(QString, shape);
    QFETCH(bool, hard);
    QFETCH(QString, fingers);
    Voicing v;
    v.frets = frets(shape);
    const std::optional<FingerChoice> hand = assignFingers(v.frets);
    QVERIFY(hand);
    v.fingers = hand->fingers;
    for (int s = 0; s < fingers.size(); ++s)
        v.fingers[s] = fingers.at(s).isDigit() ? fingers.at(s).toLatin1() : '\0';
    QCOMPARE(chordgen::awkwardness(v) > 0, hard);
}

void TestChordVoicing::rules_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("inversion");
    QTest::newRow("open C") << "C " << "major" << "x32010" << true << false;
    QTest::newRow("C over G") << "C " << "major" << "332010" << false << false;
    QTest::newRow("C over E") << "C " << "major" << "032010" << false << false;
    QTest::newRow("D minor over F, not asked for") << "D " << "minor" << "x8776x" << false << false;
    QTest::newRow("foreign note") << "C " << "major" << "x32011" << false << false;
    QTest::newRow("seventh missing") << "C " << "seventh" << "x32010" << false << false;
    QTest::newRow("fifth left out of a seventh") << "C " << "seventh" << "x3231x" << true << false;
    QTest::newRow("muted string inside a triad") << "C " << "major" << "x3x010" << false << false;
    QTest::newRow("jazz form, muted string above the root") << "C " << "major seventh" << "8x998x" << true << false;
    QTest::newRow("jazz form on the fifth") << "C " << "seventh" << "3x2310" << false << false;
    QTest::newRow("two gaps") << "C " << "major" << "x3x0x0" << false << false;
    QTest::newRow("triad on strings 3-2-1, over G") << "C " << "major" << "xxx010" << true << true;
    QTest::newRow("triad on strings 4-3-2") << "C " << "major" << "x x 10 9 8 x" << false << false;
    QTest::newRow("shell on the root") << "C " << "seventh" << "878xxx" << true << false;
    QTest::newRow("shell with the seventh on top") << "C " << "seventh" << "x323xx" << true << false;
    QTest::newRow("three bass strings of a triad") << "C " << "major" << "875xxx" << false << false;
    QTest::newRow("shell missing the seventh") << "C " << "seventh" << "877xxx" << false << false;
    QTest::newRow("needs the thumb") << "B " << "augmented ninth" << "7x7889" << false << false;
    QTest::newRow("span of four frets") << "F " << "major" << "1x3215" << false << false;
    QTest::newRow("open string with a high fret") << "E " << "major" << "0 x 9 9 9 0" << false << false;
    QTest::newRow("past the last fret") << "F " << "major" << "x 20 22 22 22 20" << false << false;
    QTest::newRow("eleventh without third") << "C " << "eleventh" << "x3333x" << true << false;
    QTest::newRow("augmented keeps its fifth") << "C " << "augmented seventh" << "x3231x" << false << false;
}

void TestChordVoicing::rules()
{
    QFETCH(QString, key);
    QFETCH(QString, type);
    QFETCH(QString, shape);
    QFETCH(bool, valid);
    QFETCH(bool, inversion);
    const int keyIndex = keyIndexOf(key.toStdString());
    const int typeIndex = typeNamed(type.toLatin1().constData());
    QVERIFY(keyIndex >= 0 && typeIndex >= 0);
    const std::optional<Voicing> v = makeVoicing(frets(shape), chordTones(keyIndex, typeIndex));
    QCOMPARE(v.has_value(), valid);
    if (v)
        QCOMPARE(v->inversion, inversion);
}

void TestChordVoicing::repeats_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("octaveCopy");
    QTest::addColumn<bool>("alike"); // the same pitches
    QTest::newRow("moved to fret -1, not muted") << "x x 11 13 14 13" << "x43121" << false << false;
    QTest::newRow("an octave up") << "x35553" << "x 15 17 17 17 15" << true << false;
    QTest::newRow("in part an octave up") << "xxx010" << "x x 10 12 13 12" << true << false;
    QTest::newRow("same notes on other strings") << "xx4222" << "x 9 7 6 7 x" << false << true;
    QTest::newRow("one note fewer") << "x32010" << "x 3 2 0 1 x" << false << false;
    QTest::newRow("the same triad on other strings") << "xxx553" << "x x 10 9 8 x" << false << true;
    QTest::newRow("a note doubled") << "x 3 5 5 5 x" << "x 3 5 5 5 3" << false << false;
    QTest::newRow("same strings, other notes") << "133211" << "133111" << false << false;
}

void TestChordVoicing::repeats()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, octaveCopy);
    QFETCH(bool, alike);
    QCOMPARE(isOctaveCopy(frets(a), frets(b)), octaveCopy);
    QCOMPARE(isOctaveCopy(frets(b), frets(a)), octaveCopy);
    QCOMPARE(soundsAlike(frets(a), frets(b)), alike);
}

void TestChordVoicing::shapesPlayInTheirOwnKey()
{
    for (const Shape& shape : knownShapes()) {
        const std::optional<Frets> f = parseShape(shape.frets);
        const int key = keyIndexOf(shape.key);
        QVERIFY2(f && key >= 0, shape.frets.data());
        QVERIFY2(makeVoicing(*f, chordTones(key, shape.typeIndex)),
                 qPrintable(QStringLiteral("%1 as %2").arg(shape.frets.data(), ChordTypes[shape.typeIndex].listText.data())));
    }
}

void TestChordVoicing::optionalTonesAreChordTones()
{
    for (int t = 0; t < GeneratedTypeCount; ++t)
        for (char digit : optionalDigits(t))
            QVERIFY2(ChordTypes[t].formula.find(digit) != std::string_view::npos, ChordTypes[t].listText.data());
}

QTEST_GUILESS_MAIN(TestChordVoicing)
#include "tst_chordvoicing.moc"
