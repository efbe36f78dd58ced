// The help command: F1 and "Lyrovan Help" open Help.chm of the program's
// folder; a missing file gets one message naming it and changes nothing else.

#include "app/frmMain.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

class TestHelpCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadBundledFonts(); }
    void missingHelpFileGetsOneMessage_data();
    void missingHelpFileGetsOneMessage();
    void shippedHelpFileOpensItsWindow();
    void f1WorksInTheProgramsOtherWindows();
};

void TestHelpCommand::missingHelpFileGetsOneMessage_data()
{
    QTest::addColumn<bool>("viaMenu");
    QTest::newRow("F1") << false;
    QTest::newRow("menu") << true;
}

void TestHelpCommand::missingHelpFileGetsOneMessage()
{
    QFETCH(bool, viaMenu);
    QTemporaryDir folder;
    RecordingPresenter recorder;
    frmMain window(MainWindowParts{folder.path(), nullptr});
    window.Form_Load();
    QApplication::setActiveWindow(&window);
    recorder.messages.clear();
    const QString row = window.chordState().CurrentNoteRow;
    if (viaMenu) {
        named<QAction>(&window, QStringLiteral("mnuLyrovanHelp"))->trigger();
        QTRY_COMPARE(recorder.messages.size(), 1); // the F1 key is posted, not sent
    } else {
        QTest::keyClick(&window, Qt::Key_F1);
        QCOMPARE(recorder.messages.size(), 1);
    }
    QVERIFY(recorder.messages[0].text.contains(folder.path() + QStringLiteral("/Help.chm")));
    QCOMPARE(window.chordState().CurrentNoteRow, row);
    QVERIFY(!window.findChild<QWidget*>(QStringLiteral("frmHelp")));
}

void TestHelpCommand::shippedHelpFileOpensItsWindow()
{
    QTemporaryDir folder;
    QVERIFY(QFile::copy(QStringLiteral(LYROVAN_HELP_FILE), folder.filePath(QStringLiteral("Help.chm"))));
    RecordingPresenter recorder;
    frmMain window(MainWindowParts{folder.path(), nullptr});
    window.Form_Load();
    recorder.messages.clear();
    QTest::keyClick(&window, Qt::Key_F1);
    QVERIFY(recorder.messages.isEmpty());
    QWidget* help = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("frmHelp") && top->isVisible())
            help = top;
    QVERIFY(help);
    help->close();
}

void TestHelpCommand::f1WorksInTheProgramsOtherWindows()
{
    QTemporaryDir folder;
    RecordingPresenter recorder;
    frmMain window(MainWindowParts{folder.path(), nullptr});
    window.Form_Load();
    recorder.messages.clear();
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QTest::keyClick(&other, Qt::Key_F1);
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY(recorder.messages[0].text.contains(folder.path() + QStringLiteral("/Help.chm")));
}

QTEST_MAIN(TestHelpCommand)
#include "tst_helpcommand.moc"
