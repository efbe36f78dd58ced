// The program's command line, run as a user runs it: --help, --version and
// --check-data answer without a display; usage errors end with status 1.

#include "Version.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void answersAndExitCodes_data();
    void answersAndExitCodes();
};

void TestCommandLine::answersAndExitCodes_data()
{
    const QString version = QStringLiteral("Lyrovan %1.%2.%3\n")
                                .arg(lyrovan::VersionMajor)
                                .arg(lyrovan::VersionMinor)
                                .arg(lyrovan::VersionRevision);
    const QString programFolder = QFileInfo(QStringLiteral(LYROVAN_PROGRAM)).absolutePath();
    // display: run on the offscreen platform; without it there is no display at all.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("output"); // each part must appear (standard output on success, else error)
    QTest::addColumn<bool>("exact");         // the one part is the whole output
    QTest::newRow("--version") << QStringList{"--version"} << false << 0 << QStringList{version} << true;
    QTest::newRow("-v") << QStringList{"-v"} << false << 0 << QStringList{version} << true;
    QTest::newRow("--help") << QStringList{"--help"} << false << 0
                            << QStringList{"Usage: lyrovan [options]", "--help", "--version", "--check-data",
                                           "--audio-driver <name>", "--audio-device <device>",
                                           "--soundfont <file>"}
                            << false;
    QTest::newRow("--check-data in the build tree")
        << QStringList{"--check-data"} << false << 0
        << QStringList{programFolder + "/Chords.mdb", programFolder + "/Help.chm"} << false;
    QTest::newRow("unknown option") << QStringList{"--no-such-option"} << true << 1
                                    << QStringList{"Unknown option 'no-such-option'", "lyrovan --help"} << false;
    QTest::newRow("stray argument") << QStringList{"stray"} << true << 1
                                    << QStringList{"unexpected argument 'stray'"} << false;
}

void TestCommandLine::answersAndExitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(int, exitCode);
    QFETCH(QStringList, output);
    QFETCH(bool, exact);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    if (display)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(LYROVAN_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(program.exitCode() == exitCode, qPrintable(out + err));
    const QString& text = exitCode == 0 ? out : err;
    QVERIFY2((exitCode == 0 ? err : out).isEmpty(), qPrintable(out + err));
    if (exact)
        QCOMPARE(text, output.join(QString()));
    for (const QString& part : std::as_const(output))
        QVERIFY2(text.contains(part), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
