// The About box: its controls, version text, focus and keys, and the
// Register button handing the publisher's address to the desktop.

#include "Version.h"
#include "app/frmAbout.h"
#include "errors/ShellOpen.h"
#include "support/TestSupport.h"
#include "ui/Fonts.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {


// Opens a fresh box modally, runs action on it once it is up, and returns
// what the version label showed and whether the box closed.
struct Opening {
    QString version;
    bool closed = false;
};

Opening OpenAndDo(const std::function<void(frmAbout&)>& action)
{
    Opening result;
    frmAbout box;
    box.Form_Load();
    QTimer::singleShot(0, &box, [&] {
        QApplication::setActiveWindow(&box);
        result.version = box.findChild<QLabel*>(QStringLiteral("lblVersion"))->text();
        action(box);
        // A box left open by the action is closed so that exec returns.
        QTimer::singleShot(0, &box, [&] {
            if (box.isVisible())
                box.done(QDialog::Rejected + 7);
        });
    });
    result.closed = box.exec() != QDialog::Rejected + 7;
    return result;
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadBundledFonts(); }
    void controlsAtTheirPlaces_data();
    void controlsAtTheirPlaces();
    void versionOnTwoOpeningsInARow();
    void focusStartsOnRegisterAndEnterPressesIt();
    void escapeAndOkClose_data();
    void escapeAndOkClose();
    void registerFailureKeepsTheBoxOpen();
};

void TestAbout::controlsAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("cmdRegister") << "cmdRegister" << QRect(4440, 2640, 1215, 375);
    QTest::newRow("cmdOK") << "cmdOK" << QRect(4440, 3120, 1215, 375);
    QTest::newRow("Image1") << "Image1" << QRect(360, 240, 840, 1800);
    QTest::newRow("Shape1") << "Shape1" << QRect(120, 120, 1335, 2055);
}

void TestAbout::controlsAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    frmAbout box;
    QCOMPARE(box.size(), QSize(382, 237));
    QCOMPARE(box.windowTitle(), QStringLiteral("About Lyrovan"));
    auto* widget = named<QWidget>(&box, name);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    // Image1 lies in front of its green panel, the buttons in front of all.
    const QObjectList children = box.children();
    QVERIFY(children.indexOf(box.findChild<QWidget*>(QStringLiteral("Image1"))) >
            children.indexOf(box.findChild<QWidget*>(QStringLiteral("Shape1"))));
    QCOMPARE(children.last()->objectName(), QStringLiteral("cmdRegister"));
    // The magnifying glass is the program's own icon, stretched over its panel.
    auto* image = box.findChild<QLabel*>(QStringLiteral("Image1"));
    QVERIFY(image->hasScaledContents());
    QCOMPARE(image->pixmap().size(), QSize(32, 32));
}

void TestAbout::versionOnTwoOpeningsInARow()
{
    const QString expected = QStringLiteral("Version %1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
    QCOMPARE(expected, QStringLiteral("Version 1.0.1"));
    for (int i = 0; i < 2; ++i) {
        const Opening opening = OpenAndDo([](frmAbout& box) { box.cmdOK_Click(); });
        QCOMPARE(opening.version, expected);
        QVERIFY(opening.closed);
    }
    frmAbout unloaded;
    QCOMPARE(unloaded.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version"));
}

void TestAbout::focusStartsOnRegisterAndEnterPressesIt()
{
    RecordingPresenter recorder;
    FakeOpener opener(42);
    QString focused;
    const Opening opening = OpenAndDo([&](frmAbout& box) {
        QWidget* focus = QApplication::focusWidget();
        focused = focus ? focus->objectName() : QString();
        QTest::keyClick(focus ? focus : &box, Qt::Key_Return);
    });
    QCOMPARE(focused, QStringLiteral("cmdRegister"));
    QCOMPARE(opener.targets, QStringList{QString::fromLatin1(PublisherUrl)});
    QVERIFY(!opening.closed); // Register leaves the box open
    QVERIFY(recorder.messages.isEmpty());
}

void TestAbout::escapeAndOkClose_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("focusOk");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("Enter on OK") << int(Qt::Key_Return) << true;
}

void TestAbout::escapeAndOkClose()
{
    QFETCH(int, key);
    QFETCH(bool, focusOk);
    FakeOpener opener(42);
    const Opening opening = OpenAndDo([&](frmAbout& box) {
        if (focusOk)
            box.findChild<QPushButton*>(QStringLiteral("cmdOK"))->setFocus();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : &box, Qt::Key(key));
    });
    QVERIFY(opening.closed);
    QVERIFY(opener.targets.isEmpty());
}

void TestAbout::registerFailureKeepsTheBoxOpen()
{
    RecordingPresenter recorder;
    FakeOpener opener(31);
    const Opening opening = OpenAndDo([](frmAbout& box) {
        box.findChild<QPushButton*>(QStringLiteral("cmdRegister"))->click();
        box.findChild<QPushButton*>(QStringLiteral("cmdRegister"))->click();
    });
    QVERIFY(!opening.closed);
    QCOMPARE(opener.targets.size(), 2);
    QCOMPARE(recorder.messages.size(), 2);
    QCOMPARE(recorder.messages[0].title, QStringLiteral("Lyrovan"));
    QCOMPARE(recorder.messages[0].text,
             QStringLiteral("There is no application associated with the given file name extension."));
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
