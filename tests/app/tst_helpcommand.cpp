// The help command: F1 and "Lyrovan Help" open Help.chm of the program's
// folder; a missing file gets one message naming it and changes nothing else.

#include "app/frmMain.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

QWidget* visibleHelpWindow()
{
    QWidget* help = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("frmHelp") && top->isVisible())
            help = top;
    return help;
}

} // namespace

class TestHelpCommand : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadBundledFonts(); }
    void missingHelpFileGetsOneMessage_data();
    void missingHelpFileGetsOneMessage();
    void shippedHelpFileOpensItsWindow();
    void f1WorksInTheProgramsOtherWindows();
    void f1WorksInTheAboutBoxAndTheHelpOutlivesIt_data();
    void f1WorksInTheAboutBoxAndTheHelpOutlivesIt();
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
        QTRY_COMPARE(recorder.messages.size(), 1); // the file is read on a worker
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
    QTRY_VERIFY(visibleHelpWindow());
    QVERIFY(recorder.messages.isEmpty());
    QWidget* help = visibleHelpWindow();
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
    QTRY_COMPARE(recorder.messages.size(), 1);
    QVERIFY(recorder.messages[0].text.contains(folder.path() + QStringLiteral("/Help.chm")));
}

// The About box is modal, so the help it opens must not be blocked by it nor
// close with it; and the program keeps one help window, whoever asks for it.
void TestHelpCommand::f1WorksInTheAboutBoxAndTheHelpOutlivesIt_data()
{
    QTest::addColumn<bool>("helpOpenBefore");
    QTest::newRow("no help open") << false;
    QTest::newRow("help open from the main window") << true;
}

void TestHelpCommand::f1WorksInTheAboutBoxAndTheHelpOutlivesIt()
{
    QFETCH(bool, helpOpenBefore);
    QTemporaryDir folder;
    QVERIFY(QFile::copy(QStringLiteral(LYROVAN_HELP_FILE), folder.filePath(QStringLiteral("Help.chm"))));
    RecordingPresenter recorder;
    frmMain window(MainWindowParts{folder.path(), nullptr});
    window.Form_Load();
    window.show();
    recorder.messages.clear();
    QWidget* before = nullptr;
    if (helpOpenBefore) {
        QTest::keyClick(&window, Qt::Key_F1);
        QTRY_VERIFY(visibleHelpWindow());
        before = visibleHelpWindow();
    }
    bool sawAbout = false;
    bool helpUsable = false;
    QWidget* fromAbout = nullptr;
    int helpWindows = 0;
    QTimer::singleShot(0, this, [&] {
        QWidget* about = QApplication::activeModalWidget();
        sawAbout = about && about->objectName() == QStringLiteral("frmAbout");
        if (!about)
            return;
        QTest::keyClick(about, Qt::Key_F1);
        // The file is read on a worker; the box stays open until the help
        // it opens has come (or the wait gives up and the checks fail).
        (void)QTest::qWaitFor([about] {
            const QWidget* help = visibleHelpWindow();
            return help && help->parentWidget() == about;
        });
        fromAbout = visibleHelpWindow();
        for (QWidget* top : QApplication::topLevelWidgets())
            helpWindows += top->objectName() == QStringLiteral("frmHelp") && top->isVisible();
        // A modal box blocks every window but those it owns.
        for (QWidget* owner = fromAbout ? fromAbout->parentWidget() : nullptr; owner; owner = owner->parentWidget())
            helpUsable = helpUsable || owner == about;
        about->close();
    });
    named<QAction>(&window, QStringLiteral("mnuAbout"))->trigger();
    QVERIFY(sawAbout);
    QVERIFY(recorder.messages.isEmpty());
    QVERIFY(helpUsable);
    QCOMPARE(helpWindows, 1);
    if (helpOpenBefore)
        QCOMPARE(fromAbout, before);
    QWidget* help = visibleHelpWindow();
    QVERIFY(help); // still open after the About box has closed
    QCOMPARE(help, fromAbout);
    help->close();
}

QTEST_MAIN(TestHelpCommand)
#include "tst_helpcommand.moc"
