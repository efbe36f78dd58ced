// Where the window finds Chords.mdb and Help.chm: its own folder first, then
// the data folders in order (an installed program its install's folder
// first); a file found nowhere is reported with every folder looked in.

#include "app/DataFiles.h"
#include "app/frmMain.h"
#include "library/DataSource.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace lyrovan;
using namespace lyrovan::test;

class TestDataFiles : public QObject {
    Q_OBJECT
private slots:
    void filesAreFoundInOrder_data();
    void filesAreFoundInOrder();
    void installedProgramLooksInItsInstallFirst_data();
    void installedProgramLooksInItsInstallFirst();
};

void TestDataFiles::filesAreFoundInOrder_data()
{
    // Folder 0 is the program's own, 1 and 2 the data folders; -1: nowhere.
    QTest::addColumn<QList<int>>("databaseIn");
    QTest::addColumn<QList<int>>("helpIn");
    QTest::addColumn<int>("databaseAt");
    QTest::addColumn<int>("helpAt");
    QTest::newRow("beside the program first") << QList<int>{0, 2} << QList<int>{0, 1} << 0 << 0;
    QTest::newRow("first data folder that has it") << QList<int>{2} << QList<int>{1, 2} << 2 << 1;
    QTest::newRow("nowhere") << QList<int>{} << QList<int>{} << -1 << -1;
}

void TestDataFiles::filesAreFoundInOrder()
{
    QFETCH(QList<int>, databaseIn);
    QFETCH(QList<int>, helpIn);
    QFETCH(int, databaseAt);
    QFETCH(int, helpAt);
    QTemporaryDir root;
    QStringList folders;
    for (const QString& name : {QStringLiteral("bin"), QStringLiteral("data1"), QStringLiteral("data2")}) {
        QVERIFY(QDir(root.path()).mkdir(name));
        folders << root.filePath(name);
    }
    for (int i : databaseIn)
        QVERIFY(QFile::copy(QStringLiteral(LYROVAN_CHORDS_DB), folders[i] + QStringLiteral("/Chords.mdb")));
    for (int i : helpIn)
        QVERIFY(QFile::copy(QStringLiteral(LYROVAN_HELP_FILE), folders[i] + QStringLiteral("/Help.chm")));

    RecordingPresenter recorder;
    frmMain window(MainWindowParts{folders[0], nullptr, folders.mid(1)});
    window.Form_Load();
    QCOMPARE(part<DataSource>(&window)->DatabaseName(), folders[qMax(databaseAt, 0)] + QStringLiteral("/Chords.mdb"));
    QCOMPARE(window.HelpFile(), folders[qMax(helpAt, 0)] + QStringLiteral("/Help.chm"));

    // Start-up queried the database; then F1 asks for the help.
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_F1);
    const int expected = (databaseAt < 0 ? 3 : 0) + (helpAt < 0 ? 1 : 0);
    // The help file is read on a worker: its window or its box comes later.
    if (helpAt >= 0)
        QTRY_VERIFY(window.findChild<QWidget*>(QStringLiteral("frmHelp")));
    QTRY_COMPARE(recorder.messages.size(), expected);
    for (const ShownMessage& message : std::as_const(recorder.messages)) {
        for (const QString& folder : std::as_const(folders))
            QVERIFY2(message.text.contains(QDir::toNativeSeparators(folder)), qPrintable(message.text));
    }
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("frmHelp"))
            top->close();
}

void TestDataFiles::installedProgramLooksInItsInstallFirst_data()
{
    QTest::addColumn<QString>("program"); // the program's folder under a fresh root
    QTest::addColumn<bool>("installed");  // with share/lyrovan beside it
    QTest::newRow("build tree") << "build/bin" << false;
    QTest::newRow("copied folder named bin") << "copy/bin" << false;
    QTest::newRow("installed") << "usr/bin" << true;
}

void TestDataFiles::installedProgramLooksInItsInstallFirst()
{
    QFETCH(QString, program);
    QFETCH(bool, installed);
    QTemporaryDir root;
    const QString folder = root.filePath(program);
    QVERIFY(QDir().mkpath(folder));
    const QString share = QDir::cleanPath(folder + QStringLiteral("/../share/lyrovan"));
    if (installed)
        QVERIFY(QDir().mkpath(share));

    const QStringList folders = DataFolders(folder);
    const DataFile help = FindDataFile(folders, QStringLiteral("Help.chm"));
    // Found nowhere: named where the first place looked would hold it, the
    // others listed in the order they were looked in.
    QCOMPARE(help.path, (installed ? share : folder) + QStringLiteral("/Help.chm"));
    QCOMPARE(help.alsoLookedIn, folders.mid(1));
    QCOMPARE(folders.constLast() == folder, installed);
    QCOMPARE(folders.count(folder), 1);
}

QTEST_MAIN(TestDataFiles)
#include "tst_datafiles.moc"
