// The strum's music without a window: step plans, reading a diagram
// column, packing short messages, and the hold.

#include "errors/Pause.h"
#include "errors/RuntimeError.h"
#include "sound/Strum.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

using namespace lyrovan;

class TestStrumLogic : public QObject {
    Q_OBJECT
private slots:
    void stepPlans_data();
    void stepPlans();
    void columnOffsets_data();
    void columnOffsets();
    void packing_data();
    void packing();
    void notesOutsideABytesOverflow_data();
    void notesOutsideABytesOverflow();
    void pauseHandlesEventsUnlessTold();
};

void TestStrumLogic::stepPlans_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("bass");
    QTest::addColumn<bool>("ends");
    QTest::addColumn<int>("string");
    QTest::addColumn<int>("baseNote");
    const int guitar[6] = {40, 45, 50, 55, 59, 64};
    const int bass[6] = {28, 33, 38, 43, 0, 52};
    for (int step = 1; step <= 6; ++step) {
        QTest::addRow("guitar %d", step) << step << false << false << 7 - step << guitar[step - 1];
        if (step == 5)
            QTest::addRow("bass %d ends", step) << step << true << true << 0 << 0;
        else
            QTest::addRow("bass %d", step) << step << true << false << 7 - step << bass[step - 1];
    }
    QTest::newRow("guitar 7 ends") << 7 << false << true << 0 << 0;
    QTest::newRow("bass 7 ends") << 7 << true << true << 0 << 0;
}

void TestStrumLogic::stepPlans()
{
    QFETCH(int, step);
    QFETCH(bool, bass);
    QFETCH(bool, ends);
    QFETCH(int, string);
    QFETCH(int, baseNote);
    const StrumStepPlan plan = PlanStrumStep(step, bass);
    QCOMPARE(plan.ends, ends);
    if (!ends) {
        QCOMPARE(plan.string, string);
        QCOMPARE(plan.baseNote, baseNote);
    }
}

void TestStrumLogic::columnOffsets_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("positionFret");
    QTest::addColumn<int>("offset"); // -1: muted
    const QString b = QStringLiteral(" ");
    QTest::newRow("open mark at the nut") << QStringList{"O", b, b, b, b, b} << 0 << 0;
    QTest::newRow("rows 1 and 3 play the farther") << QStringList{b, "1", b, "3", b, b} << 2 << 5;
    QTest::newRow("blank column is the open string at fret 5") << QStringList{b, b, b, b, b, b} << 5 << 0;
    QTest::newRow("mark in row 0 plays the base fret") << QStringList{"2", b, b, b, b, b} << 7 << 7;
    QTest::newRow("X anywhere mutes, even with marks") << QStringList{b, "1", b, b, "X", b} << 0 << -1;
    QTest::newRow("X in row 0") << QStringList{"X", b, b, b, b, b} << 3 << -1;
    QTest::newRow("empty caption counts as a mark") << QStringList{b, b, QString(), b, b, b} << 4 << 6;
    QTest::newRow("lowercase x is a mark") << QStringList{b, b, b, "x", b, b} << 0 << 3;
}

void TestStrumLogic::columnOffsets()
{
    QFETCH(QStringList, cells);
    QFETCH(int, positionFret);
    QFETCH(int, offset);
    const std::optional<int> result = ColumnOffset(cells, positionFret);
    QCOMPARE(result.has_value(), offset >= 0);
    if (result)
        QCOMPARE(*result, offset);
}

void TestStrumLogic::packing_data()
{
    QTest::addColumn<int>("note");
    QTest::addColumn<int>("velocity");
    QTest::addColumn<uint>("packed");
    QTest::newRow("low E full") << 40 << 127 << uint(0x90 + 40 * 256 + 127 * 65536);
    QTest::newRow("note 0 quiet") << 0 << 10 << uint(0x0A0090);
    QTest::newRow("note 127") << 127 << 64 << uint(0x407F90);
}

void TestStrumLogic::packing()
{
    QFETCH(int, note);
    QFETCH(int, velocity);
    QFETCH(uint, packed);
    QCOMPARE(PackNoteOn(0, note, velocity), std::uint32_t(packed));
    QCOMPARE(PackProgramChange(24), std::uint32_t(0x18C0));
    QCOMPARE(PackProgramChange(39), std::uint32_t(0x27C0));
}

void TestStrumLogic::notesOutsideABytesOverflow_data()
{
    QTest::addColumn<int>("note");
    QTest::newRow("128") << 128;
    QTest::newRow("far above") << 64 + 300;
    QTest::newRow("below zero") << -1;
}

void TestStrumLogic::notesOutsideABytesOverflow()
{
    QFETCH(int, note);
    try {
        (void)PackNoteOn(0, note, 127);
        QFAIL("packed a note that does not fit");
    } catch (const RuntimeError& error) {
        QCOMPARE(error.number(), std::int32_t(RuntimeError::Overflow));
        QCOMPARE(error.description(), QStringLiteral("Overflow"));
    }
}

void TestStrumLogic::pauseHandlesEventsUnlessTold()
{
    bool handled = false;
    QTimer::singleShot(0, this, [&] { handled = true; });
    Pause(0.05, true);
    QVERIFY(!handled); // nothing ran during a pause without events
    Pause(0.05, false);
    QVERIFY(handled);
}

QTEST_GUILESS_MAIN(TestStrumLogic)
#include "tst_strumlogic.moc"
