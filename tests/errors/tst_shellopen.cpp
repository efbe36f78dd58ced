// ShellOpen: success is silent, each failure code gets its explanation in a
// box titled "Lyrovan"; the xdg-open opener maps local failures to codes.

#include "errors/ShellOpen.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

// What the desktop's opener answers for target; 0 if it has not answered.
int OpenerAnswer(const QString& target)
{
    int answer = 0;
    desktopOpener().open(target, [&answer](int code) { answer = code; });
    return answer;
}

} // namespace

class TestShellOpen : public QObject {
    Q_OBJECT
private slots:
    void resultCodes_data();
    void resultCodes();
    void targetIsPassedUnchanged();
    void localFailuresBeforeAnythingStarts_data();
    void localFailuresBeforeAnythingStarts();
    void missingOpenerMeansNoApplication();
};

void TestShellOpen::resultCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("text");
    QTest::newRow("2") << 2 << true << "The specified file was not found.";
    QTest::newRow("3") << 3 << true << "The specified path was not found.";
    QTest::newRow("5") << 5 << true << "The operating system denied access to the specified file.";
    QTest::newRow("8") << 8 << true << "There was not enough memory to complete the operation.";
    QTest::newRow("11") << 11 << true
                        << QString::fromUtf8("The .exe file is invalid (non-Win32\u00AE .exe or error in .exe image).");
    QTest::newRow("26") << 26 << true << "A sharing violation occurred.";
    QTest::newRow("27") << 27 << true << "The file name association is incomplete or invalid.";
    QTest::newRow("28") << 28 << true << "The DDE transaction could not be completed because the request timed out.";
    QTest::newRow("29") << 29 << true << "The DDE transaction failed.";
    QTest::newRow("30") << 30 << true
                        << "The DDE transaction could not be completed because other DDE transactions were being "
                           "processed.";
    QTest::newRow("31") << 31 << true << "There is no application associated with the given file name extension.";
    QTest::newRow("32") << 32 << true << "The specified dynamic-link library was not found.";
    QTest::newRow("0 unlisted: empty text") << 0 << true << "";
    QTest::newRow("-1 unlisted: empty text") << -1 << true << "";
    QTest::newRow("12 unlisted: empty text") << 12 << true << "";
    QTest::newRow("33 success") << 33 << false << "";
    QTest::newRow("42 success") << 42 << false << "";
}

void TestShellOpen::resultCodes()
{
    QFETCH(int, code);
    QFETCH(bool, shown);
    QFETCH(QString, text);
    RecordingPresenter recorder;
    FakeOpener opener(code);
    ShellOpen(QStringLiteral("https://example.org/"));
    QCOMPARE(opener.targets.size(), 1);
    QCOMPARE(recorder.messages.size(), shown ? 1 : 0);
    if (shown) {
        QCOMPARE(recorder.messages[0].text, text);
        QCOMPARE(recorder.messages[0].title, QStringLiteral("Lyrovan"));
        QCOMPARE(recorder.messages[0].icon, MessageIcon::Warning);
    }
}

void TestShellOpen::targetIsPassedUnchanged()
{
    RecordingPresenter recorder;
    FakeOpener opener(42);
    const QString target = QStringLiteral("/tmp/a file; rm -rf ~ $(echo x).txt");
    const QString copy = target;
    ShellOpen(target);
    QCOMPARE(opener.targets, QStringList{copy});
    QCOMPARE(target, copy);
}

void TestShellOpen::localFailuresBeforeAnythingStarts_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("asUrl");
    QTest::addColumn<int>("code");
    QTest::newRow("missing file") << "missing.html" << false << 2;
    QTest::newRow("missing folder") << "no/such/folder/page.html" << false << 3;
    QTest::newRow("missing file as file: URL") << "missing.html" << true << 2;
    QTest::newRow("missing folder as file: URL") << "nofolder/x.html" << true << 3;
}

void TestShellOpen::localFailuresBeforeAnythingStarts()
{
    QFETCH(QString, relative);
    QFETCH(bool, asUrl);
    QFETCH(int, code);
    QTemporaryDir dir;
    const QString path = dir.filePath(relative);
    const QString target = asUrl ? QUrl::fromLocalFile(path).toString() : path;
    QCOMPARE(OpenerAnswer(target), code);
    QVERIFY(!QFile::exists(path));
}

void TestShellOpen::missingOpenerMeansNoApplication()
{
    // With no xdg-open on the path nothing can open anything.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    const int code = OpenerAnswer(QStringLiteral("https://example.org/"));
    qputenv("PATH", path);
    QCOMPARE(code, 31);
}

QTEST_GUILESS_MAIN(TestShellOpen)
#include "tst_shellopen.moc"
