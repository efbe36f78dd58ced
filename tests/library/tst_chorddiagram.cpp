// The chord diagram as built inside the main window: lines, cells and
// captions at their places, their stacking, and what shows through.

#include "app/frmMain.h"
#include "library/ChordDiagram.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"
#include "ui/Shapes.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

int Px(int twips)
{
    return qRound(twips / 15.0);
}

const QRgb Grey = qRgb(0x80, 0x80, 0x80);
const QRgb Shade = qRgb(0xE0, 0xE0, 0xE0);

} // namespace

class TestChordDiagram : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cellsAtTheirPlaces_data();
    void cellsAtTheirPlaces();
    void linesAtTheirPlaces_data();
    void linesAtTheirPlaces();
    void captionsAsBuilt();
    void stackingBackToFront();
    void blankCellsLeaveTheStringVisible();
    void bassAreaLiesBehind();
    void hiddenUpperNutLine();

private:
    QWidget* frame() const { return m_diagram->frame(); }
    QImage render() const { return frame()->grab().toImage(); }
    int stackIndex(const QString& name) const;

    QTemporaryDir m_folder;
    std::unique_ptr<RecordingPresenter> m_recorder;
    std::unique_ptr<frmMain> m_window;
    ChordDiagram* m_diagram = nullptr;
};

void TestChordDiagram::initTestCase()
{
    LoadBundledFonts();
    QVERIFY(m_folder.isValid());
}

void TestChordDiagram::init()
{
    m_recorder = std::make_unique<RecordingPresenter>();
    m_window = std::make_unique<frmMain>(MainWindowParts{m_folder.path(), nullptr});
    m_diagram = m_window->findChild<ChordDiagram*>();
    QVERIFY(m_diagram);
}

void TestChordDiagram::cleanup()
{
    m_window.reset();
    m_recorder.reset();
}

int TestChordDiagram::stackIndex(const QString& name) const
{
    QObject* child = named<QObject>(frame(), name);
    return int(frame()->children().indexOf(child));
}

void TestChordDiagram::cellsAtTheirPlaces_data()
{
    QTest::addColumn<int>("string");
    QTest::addColumn<int>("row");
    QTest::addColumn<QPoint>("twips");
    QTest::newRow("string 1, row 0 deviates") << 1 << 0 << QPoint(2700, 490);
    QTest::newRow("string 1, row 1") << 1 << 1 << QPoint(2715, 885);
    QTest::newRow("string 4, row 1 deviates") << 4 << 1 << QPoint(1635, 885);
    QTest::newRow("string 4, row 0") << 4 << 0 << QPoint(1620, 490);
    QTest::newRow("string 4, row 2") << 4 << 2 << QPoint(1620, 1245);
    QTest::newRow("string 2, row 4") << 2 << 4 << QPoint(2355, 1965);
    QTest::newRow("string 3, row 3") << 3 << 3 << QPoint(1995, 1605);
    QTest::newRow("string 5, row 0") << 5 << 0 << QPoint(1275, 490);
    QTest::newRow("string 6, row 5") << 6 << 5 << QPoint(915, 2355);
}

void TestChordDiagram::cellsAtTheirPlaces()
{
    QFETCH(int, string);
    QFETCH(int, row);
    QFETCH(QPoint, twips);
    QLabel* cell = named<QLabel>(frame(), QStringLiteral("lblDiaStr%1(%2)").arg(string).arg(row));
    QVERIFY(cell);
    QCOMPARE(diagramCell(m_window.get(), string, row), cell);
    QCOMPARE(cell->parentWidget(), frame());
    QCOMPARE(cell->pos(), QPoint(Px(twips.x()), Px(twips.y())));
    QCOMPARE(cell->text(), QStringLiteral(" "));
    QVERIFY(!cell->autoFillBackground());
    QVERIFY(QFontInfo(cell->font()).fixedPitch());
    QCOMPARE(cell->font().pixelSize(), 12); // 9 points
    // The cell fits its caption and stays about the size of one character.
    QVERIFY(cell->width() >= cell->fontMetrics().horizontalAdvance(QStringLiteral("X")));
    QVERIFY(cell->width() <= Px(240) && cell->height() <= Px(360));
    // Centred on its string line within a couple of pixels.
    const int stringX[] = {2760, 2400, 2040, 1680, 1320, 960};
    QVERIFY2(qAbs(cell->geometry().center().x() - Px(stringX[string - 1])) <= 3,
             qPrintable(QStringLiteral("centre %1").arg(cell->geometry().center().x())));
}

void TestChordDiagram::linesAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QLine>("twips");
    const int strings[] = {2760, 2400, 2040, 1680, 1320, 960};
    for (int k = 0; k < 6; ++k)
        QTest::addRow("linStrum(%d)", k) << element(QStringLiteral("linStrum"), k)
                                         << QLine(strings[k], 660, strings[k], 2520);
    QTest::newRow("nut lower") << "linStrum(6)" << QLine(960, 720, 2760, 720);
    QTest::newRow("nut upper") << "linStrum(7)" << QLine(960, 660, 2760, 660);
    QTest::newRow("Line2") << "Line2" << QLine(960, 1080, 2760, 1080);
    QTest::newRow("Line3") << "Line3" << QLine(960, 1440, 2760, 1440);
    QTest::newRow("Line4") << "Line4" << QLine(960, 1800, 2760, 1800);
    QTest::newRow("Line5") << "Line5" << QLine(960, 2160, 2760, 2160);
}

void TestChordDiagram::linesAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QLine, twips);
    auto* line = named<LineShape>(frame(), name);
    QVERIFY(line);
    QCOMPARE(line->color().rgb(), Grey);
    QVERIFY(line->isVisibleTo(frame()));
    const QRect bounds = line->geometry();
    QCOMPARE(bounds.topLeft(), QPoint(Px(twips.x1()), Px(twips.y1())));
    const bool vertical = twips.x1() == twips.x2();
    QCOMPARE(vertical ? bounds.width() : bounds.height(), 1);
    const int length = vertical ? bounds.height() : bounds.width();
    const int wanted = vertical ? Px(twips.y2()) - Px(twips.y1()) : Px(twips.x2()) - Px(twips.x1());
    QVERIFY2(qAbs(length - wanted) <= 1, qPrintable(QStringLiteral("length %1").arg(length)));
    // The line is drawn where it is placed.
    const QImage image = render();
    const QPoint middle = bounds.center();
    QCOMPARE(QColor(image.pixel(middle)).rgb(), Grey);
}

void TestChordDiagram::captionsAsBuilt()
{
    QLabel* chord = named<QLabel>(frame(), QStringLiteral("lblDiaChord"));
    QCOMPARE(named<QLabel>(frame(), QStringLiteral("lblDiaChord")), chord);
    QCOMPARE(chord->geometry(), QRect(Px(720), Px(240), Px(2100), Px(240)));
    QCOMPARE(chord->text(), QString());
    QVERIFY(chord->alignment() & Qt::AlignHCenter);
    QCOMPARE(chord->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(chord->font().pixelSize(), 13); // 9.75 points
    QVERIFY(!chord->font().underline());
    QVERIFY(!chord->autoFillBackground());

    QLabel* fret = named<QLabel>(frame(), QStringLiteral("lblDiaFret"));
    QCOMPARE(named<QLabel>(frame(), QStringLiteral("lblDiaFret")), fret);
    QCOMPARE(fret->pos(), QPoint(Px(120), Px(510)));
    QCOMPARE(fret->text(), QStringLiteral("Fret 0"));
    QVERIFY(fret->font().underline());
    QCOMPARE(fret->font().pixelSize(), 13);
    QVERIFY(fret->width() >= fret->fontMetrics().horizontalAdvance(fret->text()));
    QVERIFY(!fret->autoFillBackground());
}

void TestChordDiagram::stackingBackToFront()
{
    const int bass = stackIndex(QStringLiteral("shpBass"));
    int frontLine = -1;
    for (int k = 0; k < 6; ++k)
        frontLine = qMax(frontLine, stackIndex(element(QStringLiteral("linStrum"), k)));
    for (int k = 2; k <= 5; ++k)
        frontLine = qMax(frontLine, stackIndex(QStringLiteral("Line%1").arg(k)));
    int backLabel = INT_MAX, frontLabel = -1;
    QStringList labels = {QStringLiteral("lblDiaChord"), QStringLiteral("lblDiaFret")};
    for (int string = 1; string <= 6; ++string)
        for (int row = 0; row < 6; ++row)
            labels << QStringLiteral("lblDiaStr%1(%2)").arg(string).arg(row);
    for (const QString& name : labels) {
        backLabel = qMin(backLabel, stackIndex(name));
        frontLabel = qMax(frontLabel, stackIndex(name));
    }
    const int nutLower = stackIndex(QStringLiteral("linStrum(6)"));
    const int nutUpper = stackIndex(QStringLiteral("linStrum(7)"));
    // Children are listed back to front.
    QVERIFY(bass >= 0);
    QVERIFY(bass < qMin(frontLine, backLabel));
    QVERIFY(frontLine < backLabel);
    QVERIFY(frontLabel < qMin(nutLower, nutUpper));
    QVERIFY(!named<QWidget>(frame(), QStringLiteral("shpBass"))->isVisibleTo(frame()));
}

void TestChordDiagram::blankCellsLeaveTheStringVisible()
{
    // Cell (2, 3) lies across string 2; its blank leaves the line unbroken.
    QLabel* cell = diagramCell(m_window.get(), 2, 3);
    const QPoint onString(Px(2400), cell->geometry().center().y());
    QVERIFY(cell->geometry().contains(onString));
    QCOMPARE(QColor(render().pixel(onString)).rgb(), Grey);
    cell->setText(QString());
    QCOMPARE(QColor(render().pixel(onString)).rgb(), Grey);
}

void TestChordDiagram::bassAreaLiesBehind()
{
    QWidget* bass = named<QWidget>(frame(), QStringLiteral("shpBass"));
    QCOMPARE(bass->geometry(), QRect(Px(960), Px(675), Px(1095), Px(1860)));
    const QPoint inside(Px(1500), Px(1300)); // between strings 5 and 4, rows 2 and 3
    const QPoint onString4(Px(1680), Px(1300));
    const QPoint onFretLine(Px(1500), Px(1440));
    QVERIFY(QColor(render().pixel(inside)).rgb() != Shade);
    bass->show();
    const QImage image = render();
    QCOMPARE(QColor(image.pixel(inside)).rgb(), Shade);
    QCOMPARE(QColor(image.pixel(onString4)).rgb(), Grey);
    QCOMPARE(QColor(image.pixel(onFretLine)).rgb(), Grey);
}

void TestChordDiagram::hiddenUpperNutLine()
{
    const QPoint onUpper(Px(1500), Px(660));
    const QPoint onLower(Px(1500), Px(720));
    QCOMPARE(QColor(render().pixel(onUpper)).rgb(), Grey);
    named<QWidget>(frame(), QStringLiteral("linStrum(7)"))->hide();
    const QImage image = render();
    QVERIFY(QColor(image.pixel(onUpper)).rgb() != Grey);
    QCOMPARE(QColor(image.pixel(onLower)).rgb(), Grey);
}

QTEST_MAIN(TestChordDiagram)
#include "tst_chorddiagram.moc"
