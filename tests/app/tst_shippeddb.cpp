// The window over the database the build ships: start-up shows the open C
// chord, and the position buttons step round every stored position of a
// chord in fret order and back to the first.

#include "app/frmMain.h"
#include "library/ChordDiagram.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QToolButton>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

// The diagram as one 36-character text, row by row, strings 1..6.
QString DiagramText(QWidget* window)
{
    QString text;
    for (int row = 0; row < 6; ++row)
        for (int string = 1; string <= 6; ++string)
            text += window->findChild<QLabel*>(QStringLiteral("lblDiaStr%1(%2)").arg(string).arg(row))->text();
    return text;
}

} // namespace

class TestShippedDb : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startUpShowsOpenC();
    void stepsRoundEveryPosition_data();
    void stepsRoundEveryPosition();

private:
    QString m_folder;
};

void TestShippedDb::initTestCase()
{
    LoadBundledFonts();
    m_folder = QFileInfo(QStringLiteral(LYROVAN_CHORDS_DB)).absolutePath();
    QVERIFY(QFileInfo::exists(QStringLiteral(LYROVAN_CHORDS_DB)));
}

void TestShippedDb::startUpShowsOpenC()
{
    RecordingPresenter recorder;
    frmMain window(MainWindowParts{m_folder, nullptr});
    window.Form_Load();
    QVERIFY(recorder.messages.isEmpty());
    QCOMPARE(part<ChordDiagram>(&window)->position().fret, 0);
    // x32010: row 0 O . O . . X, then fingers 1, 2, 3 on strings 2, 4, 5.
    QCOMPARE(DiagramText(&window), QStringLiteral("O O  X" " 1    " "   2  " "    3 " "      " "      "));
    QVERIFY(named<QToolButton>(&window, QStringLiteral("cmdNextPos(0)"))->isEnabled());
    QVERIFY(named<QToolButton>(&window, QStringLiteral("chkStrum"))->isEnabled());
}

void TestShippedDb::stepsRoundEveryPosition_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("chord");
    QTest::newRow("C major") << 3 << 0;
    QTest::newRow("F#/Gb minor seventh") << 9 << 24;
    QTest::newRow("A thirteenth") << 0 << 6;
    QTest::newRow("G#/Ab diminished") << 11 << 18;
}

void TestShippedDb::stepsRoundEveryPosition()
{
    QFETCH(int, key);
    QFETCH(int, chord);
    RecordingPresenter recorder;
    frmMain window(MainWindowParts{m_folder, nullptr});
    window.Form_Load();
    named<QComboBox>(&window, QStringLiteral("cboKey"))->setCurrentIndex(key);
    named<QComboBox>(&window, QStringLiteral("cboChord"))->setCurrentIndex(chord);
    auto* next = named<QToolButton>(&window, QStringLiteral("cmdNextPos(0)"));
    QVERIFY(next->isEnabled());

    // A position is its diagram at its base fret: one shape may be stored
    // at several frets.
    const auto fret = [&] { return part<ChordDiagram>(&window)->position().fret; };
    const auto position = [&] { return DiagramText(&window) + QLatin1Char('@') + QString::number(fret()); };
    const QString first = position();
    QList<int> frets{fret()};
    QStringList seen{first};
    for (int i = 0; i < 20; ++i) {
        next->click();
        if (position() == first)
            break;
        seen << position();
        frets << fret();
    }
    QVERIFY2(seen.size() >= 4, qPrintable(QString::number(seen.size())));
    QVERIFY(seen.size() <= 12);
    QCOMPARE(seen.removeDuplicates(), 0); // every position is another one
    QList<int> sorted = frets;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(frets, sorted); // in fret order
    QVERIFY(recorder.messages.isEmpty());
}

QTEST_MAIN(TestShippedDb)
#include "tst_shippeddb.moc"
