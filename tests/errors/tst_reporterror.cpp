// ReportError: which errors show a box, with which text, title and icon.

#include "errors/ReportError.h"
#include "support/TestSupport.h"

#include <QTest>
#include <stdexcept>

using namespace lyrovan;
using namespace lyrovan::test;

Q_DECLARE_METATYPE(lyrovan::MessageIcon)

class TestReportError : public QObject {
    Q_OBJECT
private slots:
    void knownNumbers_data();
    void knownNumbers();
    void silentErrors_data();
    void silentErrors();
    void trapsTurnAnyExceptionIntoAnError();
};

void TestReportError::knownNumbers_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("text");
    QTest::addColumn<MessageIcon>("icon");
    const QString wrongType = QStringLiteral(
        "You have entered an incorrect data type!\r\n"
        "For example, you may have entered a text value when a number was expected.");
    QTest::newRow("13 type mismatch") << 13 << "Type mismatch" << "Error Number:13\r\n" + wrongType
                                      << MessageIcon::Warning;
    QTest::newRow("3421 conversion") << 3421 << "Data type conversion error." << "Error Number:3421\r\n" + wrongType
                                     << MessageIcon::Warning;
    QTest::newRow("3200 related records, own text, warning")
        << 3200 << "The record cannot be deleted or changed because table 'X' includes related records."
        << "Error Number:3200\r\nThe record cannot be deleted or changed because table 'X' includes related records."
        << MessageIcon::Warning;
    QTest::newRow("-2147217900 failed command, minus sign")
        << -2147217900 << "Syntax error"
        << "Error Number:-2147217900\r\nYou cannot carry out this action because there are no records available!"
        << MessageIcon::Warning;
    QTest::newRow("other number, own text, stop icon") << 6 << "Overflow" << "Error Number:6\r\nOverflow"
                                                       << MessageIcon::Critical;
    QTest::newRow("negative other number") << -5 << "Odd failure" << "Error Number:-5\r\nOdd failure"
                                           << MessageIcon::Critical;
}

void TestReportError::knownNumbers()
{
    QFETCH(int, number);
    QFETCH(QString, description);
    QFETCH(QString, text);
    QFETCH(MessageIcon, icon);
    RecordingPresenter recorder;
    ReportError(RuntimeError(number, description));
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, text);
    QCOMPARE(recorder.messages[0].title, QStringLiteral("Lyrovan - Error"));
    QCOMPARE(recorder.messages[0].icon, icon);
}

void TestReportError::silentErrors_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::newRow("3021 no current record") << 3021 << "No current record.";
    QTest::newRow("other number, empty description") << 91 << "";
    QTest::newRow("3200 with empty description") << 3200 << "";
}

void TestReportError::silentErrors()
{
    QFETCH(int, number);
    QFETCH(QString, description);
    RecordingPresenter recorder;
    ReportError(RuntimeError(number, description));
    QVERIFY(recorder.messages.isEmpty());
}

void TestReportError::trapsTurnAnyExceptionIntoAnError()
{
    RecordingPresenter recorder;
    try {
        throw std::runtime_error("disk on fire");
    } catch (...) {
        ReportError(RuntimeError::fromCurrentException());
    }
    try {
        throw RuntimeError(RuntimeError::Overflow, QStringLiteral("Overflow"));
    } catch (...) {
        ReportError(RuntimeError::fromCurrentException());
    }
    QCOMPARE(recorder.messages.size(), 2);
    QVERIFY(recorder.messages[0].text.endsWith(QStringLiteral("disk on fire")));
    QCOMPARE(recorder.messages[0].icon, MessageIcon::Critical);
    QCOMPARE(recorder.messages[1].text, QStringLiteral("Error Number:6\r\nOverflow"));
}

QTEST_GUILESS_MAIN(TestReportError)
#include "tst_reporterror.moc"
