// The main window as built and after start-up: controls by name, kind,
// place and stacking; menus; the chord state; quitting and closing.

#include "app/frmMain.h"
#include "sound/Strummer.h"
#include "support/TestSupport.h"
#include "theory/ChordTables.h"
#include "ui/Fonts.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowIsFixedWithCaptionAndIcon();
    void controlsAtTheirPlaces_data();
    void controlsAtTheirPlaces();
    void fittedLabelsAtTheirCorners_data();
    void fittedLabelsAtTheirCorners();
    void controlKinds();
    void listsHoldTheTablesWithNoSelection();
    void initialContent();
    void stackingFrontToBack();
    void menus();
    void startUpSelectsCAndMajor();
    void selectionsUpdateTheState();
    void quitNoChangesNothing();
    void closingUnloadsTheWindow();
    void quitYesUnloadsEveryWindow();
    void keyboardAndScreenReaders_data();
    void keyboardAndScreenReaders();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<RecordingPresenter> m_recorder;
    std::unique_ptr<frmMain> m_window;
};

void TestMainWindow::initTestCase()
{
    LoadBundledFonts();
    QVERIFY(m_folder.isValid());
}

void TestMainWindow::init()
{
    m_recorder = std::make_unique<RecordingPresenter>();
    m_window = std::make_unique<frmMain>(MainWindowParts{m_folder.path(), nullptr});
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_recorder.reset();
}

void TestMainWindow::windowIsFixedWithCaptionAndIcon()
{
    m_window->Form_Load();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Lyrovan"));
    QVERIFY(m_window->isVisible());
    QWidget* client = m_window->centralWidget();
    QCOMPARE(client->size(), QSize(588, 271)); // 8820 x 4065 twips
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!m_window->windowIcon().isNull());
    QVERIFY(m_window->windowIcon().availableSizes().contains(QSize(16, 16)));
    // The menu bar sits above the client area, not inside it.
    QVERIFY(m_window->menuBar()->geometry().bottom() < client->geometry().top());
}

void TestMainWindow::controlsAtTheirPlaces_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("StatBar") << "StatBar" << "frmMainClient" << QRect(0, 3690, 8820, 375);
    QTest::newRow("Slider(1)") << "Slider(1)" << "frmMainClient" << QRect(6000, 480, 1095, 375);
    QTest::newRow("Slider(0)") << "Slider(0)" << "frmMainClient" << QRect(6000, 0, 1095, 375);
    QTest::newRow("chkStrum") << "chkStrum" << "frmMainClient" << QRect(4680, 0, 735, 855);
    QTest::newRow("cmdNextPos(1)") << "cmdNextPos(1)" << "frmMainClient" << QRect(7200, 0, 735, 855);
    QTest::newRow("cmdNextPos(0)") << "cmdNextPos(0)" << "frmMainClient" << QRect(8040, 0, 735, 855);
    QTest::newRow("fraChordDiagram") << "fraChordDiagram" << "frmMainClient" << QRect(5835, 960, 2955, 2655);
    QTest::newRow("picNeckOuter") << "picNeckOuter" << "frmMainClient" << QRect(360, 960, 5115, 2655);
    QTest::newRow("fraChordSelector") << "fraChordSelector" << "frmMainClient" << QRect(120, 0, 4455, 855);
    QTest::newRow("cboKey") << "cboKey" << "fraChordSelector" << QRect(105, 360, 915, 315);
    QTest::newRow("cboChord") << "cboChord" << "fraChordSelector" << QRect(1080, 360, 3270, 315);
}

void TestMainWindow::controlsAtTheirPlaces()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QRect, twips);
    auto* widget = named<QWidget>(m_window.get(), name);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(), QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
}

void TestMainWindow::fittedLabelsAtTheirCorners_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QPoint>("twips");
    QTest::addColumn<QString>("caption");
    QTest::newRow("Label1(0)") << "Label1(0)" << "frmMainClient" << QPoint(5475, 75) << "Volume";
    QTest::newRow("Label1(1)") << "Label1(1)" << "frmMainClient" << QPoint(5475, 465) << "Strum Speed";
    QTest::newRow("lblPanel(0)") << "lblPanel(0)" << "StatBar" << QPoint(120, 40) << "Chord:";
    QTest::newRow("lblPanel(1)") << "lblPanel(1)" << "StatBar" << QPoint(2160, 45) << "Chord construction:";
    QTest::newRow("lblPanel(2)") << "lblPanel(2)" << "StatBar" << QPoint(6000, 40)
                                 << "Acoustic Guitar (Nylon Strings)";
    const int tops[6] = {1050, 1380, 1710, 2040, 2370, 2715};
    for (int k = 0; k < 6; ++k) {
        QTest::addRow("lblString(%d)", k) << element(QStringLiteral("lblString"), k) << "frmMainClient"
                                          << QPoint(90, tops[k]) << QStringLiteral("%1-").arg(k + 1);
        QTest::addRow("lblString(%d)", k + 6) << element(QStringLiteral("lblString"), k + 6) << "frmMainClient"
                                              << QPoint(5520, tops[k]) << QStringLiteral("-%1").arg(k + 1);
    }
}

void TestMainWindow::fittedLabelsAtTheirCorners()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QPoint, twips);
    QFETCH(QString, caption);
    auto* label = named<QLabel>(m_window.get(), name);
    QVERIFY(label);
    QCOMPARE(label->parentWidget()->objectName(), parent);
    QCOMPARE(label->pos(), QPoint(qRound(twips.x() / 15.0), qRound(twips.y() / 15.0)));
    QCOMPARE(label->text(), caption);
    // A label that fits its caption shows all of it.
    QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(caption.section(QLatin1Char(' '), 0, 0)));
}

void TestMainWindow::controlKinds()
{
    QWidget* w = m_window.get();
    QVERIFY(named<QComboBox>(w, QStringLiteral("cboKey")));
    QVERIFY(named<QComboBox>(w, QStringLiteral("cboChord")));
    QVERIFY(named<QGroupBox>(w, QStringLiteral("fraChordSelector")));
    QVERIFY(named<QGroupBox>(w, QStringLiteral("fraChordDiagram")));
    auto* strum = named<QToolButton>(w, QStringLiteral("chkStrum"));
    QVERIFY(strum && strum->isCheckable());
    for (int i = 0; i < 2; ++i) {
        auto* button = named<QToolButton>(w, element(QStringLiteral("cmdNextPos"), i));
        QVERIFY(button && !button->isCheckable());
        QCOMPARE(button->iconSize(), QSize(32, 32));
        QCOMPARE(button->icon().pixmap(32, 32).size(), QSize(32, 32));
        QVERIFY(named<QScrollBar>(w, element(QStringLiteral("Slider"), i))->orientation() == Qt::Horizontal);
    }
    QVERIFY(named<QTimer>(w, QStringLiteral("tmrStrum")));
    QVERIFY(named<QObject>(w, QStringLiteral("datChords")));
    // Array elements exist exactly for their index sets.
    QVERIFY(!w->findChild<QObject*>(QStringLiteral("cmdNextPos(2)")));
    QVERIFY(!w->findChild<QObject*>(QStringLiteral("lblPanel(3)")));
    QVERIFY(!w->findChild<QObject*>(QStringLiteral("lblString(12)")));
}

void TestMainWindow::listsHoldTheTablesWithNoSelection()
{
    auto* key = named<QComboBox>(m_window.get(), QStringLiteral("cboKey"));
    auto* chord = named<QComboBox>(m_window.get(), QStringLiteral("cboChord"));
    QCOMPARE(key->currentIndex(), -1);
    QCOMPARE(chord->currentIndex(), -1);
    QVERIFY(!key->isEditable() && !chord->isEditable());
    QCOMPARE(key->count(), KeyCount);
    QCOMPARE(chord->count(), ChordTypeCount);
    QCOMPARE(key->itemText(0), QStringLiteral("A"));
    QCOMPARE(key->itemText(1), QStringLiteral("A#/Bb"));
    QCOMPARE(key->itemText(11), QStringLiteral("G#/Ab"));
    QCOMPARE(chord->itemText(0), QStringLiteral("major"));
    QCOMPARE(chord->itemText(24), QStringLiteral("minor seventh"));
    QCOMPARE(chord->itemText(36), QStringLiteral("select all"));
    QCOMPARE(key->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(key->font().pixelSize(), 11);

    // The popup list, built when it first opens, shows the list's font.
    m_window->Form_Load();
    for (QComboBox* list : {key, chord}) {
        list->showPopup();
        QCOMPARE(list->view()->font(), list->font());
        list->hidePopup();
    }
}

void TestMainWindow::initialContent()
{
    QWidget* w = m_window.get();
    auto* strum = named<QToolButton>(w, QStringLiteral("chkStrum"));
    QCOMPARE(strum->text(), QStringLiteral("&Strum"));
    QVERIFY(!strum->isChecked());
    QCOMPARE(named<QToolButton>(w, QStringLiteral("cmdNextPos(0)"))->text(), QStringLiteral("&Next Position"));
    QCOMPARE(named<QToolButton>(w, QStringLiteral("cmdNextPos(1)"))->text(), QStringLiteral("&Previous Position"));
    auto* timer = named<QTimer>(w, QStringLiteral("tmrStrum"));
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 100);

    struct Bar { int min, max, small, large, value; };
    const Bar bars[2] = {{10, 127, 1, 10, 127}, {1, 200, 4, 38, 160}};
    for (int i = 0; i < 2; ++i) {
        auto* bar = named<QScrollBar>(w, element(QStringLiteral("Slider"), i));
        QCOMPARE(bar->minimum(), bars[i].min);
        QCOMPARE(bar->maximum(), bars[i].max);
        QCOMPARE(bar->singleStep(), bars[i].small);
        QCOMPARE(bar->pageStep(), bars[i].large);
        QCOMPARE(bar->value(), bars[i].value);
    }
    QCOMPARE(named<QGroupBox>(w, QStringLiteral("fraChordSelector"))->title(), QStringLiteral("Chord Selector"));
    QCOMPARE(named<QGroupBox>(w, QStringLiteral("fraChordDiagram"))->title(), QStringLiteral("Chord Diagram"));
    const QFont bold = named<QLabel>(w, QStringLiteral("lblString(0)"))->font();
    QVERIFY(bold.bold());
    QCOMPARE(bold.pixelSize(), 16); // Tahoma 12
    QCOMPARE(named<QLabel>(w, QStringLiteral("lblPanel(0)"))->font().pixelSize(), 12); // Tahoma 9
}

void TestMainWindow::stackingFrontToBack()
{
    // Children are listed back to front; the layout's list is front to back.
    const QStringList frontToBack = {
        QStringLiteral("StatBar"), QStringLiteral("Slider(1)"), QStringLiteral("Slider(0)"),
        QStringLiteral("chkStrum"), QStringLiteral("cmdNextPos(1)"), QStringLiteral("cmdNextPos(0)"),
        QStringLiteral("fraChordDiagram"), QStringLiteral("picNeckOuter"), QStringLiteral("fraChordSelector"),
        QStringLiteral("Label1(1)"), QStringLiteral("Label1(0)"), QStringLiteral("lblString(0)")};
    QStringList order;
    for (QObject* child : m_window->centralWidget()->children())
        if (frontToBack.contains(child->objectName()))
            order.prepend(child->objectName());
    QCOMPARE(order, frontToBack);
    // Where Label1(1) and Slider(1) overlap, the slider is in front.
    QWidget* client = m_window->centralWidget();
    const QPoint overlap(402, 40);
    QCOMPARE(client->childAt(overlap)->objectName().left(9), QStringLiteral("Slider(1)"));
}

void TestMainWindow::menus()
{
    QMenuBar* bar = m_window->menuBar();
    QStringList titles;
    for (QAction* action : bar->actions())
        titles << action->text();
    QCOMPARE(titles, (QStringList{QStringLiteral("&Quit"), QStringLiteral("In&strument"), QStringLiteral("&Help")}));

    QWidget* w = m_window.get();
    QCOMPARE(named<QAction>(w, QStringLiteral("mnuQuitYes"))->text(), QStringLiteral("&Yes"));
    QCOMPARE(named<QAction>(w, QStringLiteral("mnuNo"))->text(), QStringLiteral("&No"));
    QCOMPARE(named<QAction>(w, QStringLiteral("mnuAbout"))->text(), QStringLiteral("&About Lyrovan"));
    QCOMPARE(named<QAction>(w, QStringLiteral("mnuLyrovanHelp"))->text(), QStringLiteral("&Lyrovan Help"));

    auto* instrument = named<QMenu>(w, QStringLiteral("mnuInstrument"));
    QCOMPARE(instrument->actions().size(), 17);
    QVERIFY(!w->findChild<QAction*>(QStringLiteral("mnuInst(0)")));
    for (int i = 1; i <= 17; ++i) {
        auto* entry = named<QAction>(w, element(QStringLiteral("mnuInst"), i));
        QCOMPARE(instrument->actions().at(i - 1), entry);
        QCOMPARE(entry->isSeparator(), i == 9);
        QCOMPARE(entry->isChecked(), i == 1);
    }
    QCOMPARE(named<QAction>(w, QStringLiteral("mnuInst(1)"))->text(), QStringLiteral("Acoustic Guitar (Nylon Strings)"));
    QCOMPARE(named<QAction>(w, QStringLiteral("mnuInst(8)"))->text(), QStringLiteral("Guitar Harmonics"));
    QCOMPARE(named<QAction>(w, QStringLiteral("mnuInst(10)"))->text(), QStringLiteral("Acoustic Bass"));
    QCOMPARE(named<QAction>(w, QStringLiteral("mnuInst(17)"))->text(), QStringLiteral("Synth Bass 2"));
}

void TestMainWindow::startUpSelectsCAndMajor()
{
    QCOMPARE(m_window->CurrentChord(), nullptr);
    m_window->Form_Load();
    QCOMPARE(named<QComboBox>(m_window.get(), QStringLiteral("cboKey"))->currentText(), QStringLiteral("C"));
    QCOMPARE(named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->currentText(), QStringLiteral("major"));
    QCOMPARE(m_window->chordState().CurrentNoteRow, QStringLiteral("C C#D D#E F F#G G#A A#B "));
    QCOMPARE(m_window->chordState().CurrentFormula, QStringLiteral("158"));
    QCOMPARE(m_window->ChordSuffix(), QStringLiteral("pure"));
    QVERIFY(m_window->CurrentChord());
    QCOMPARE(m_window->CurrentChord()->Construct(), QStringLiteral("C E G "));
    QCOMPARE(part<Strummer>(m_window.get())->MidiChannel(), 0);
    QCOMPARE(part<Strummer>(m_window.get())->NoteVelocity(), 127);
    QCOMPARE(part<Strummer>(m_window.get())->MidiDeviceId(), -1);
    QCOMPARE(part<Strummer>(m_window.get())->InstrumentProgram(), 24);
    QCOMPARE(m_window->HelpFile(), m_folder.path() + QStringLiteral("/Help.chm"));
}

void TestMainWindow::selectionsUpdateTheState()
{
    m_window->Form_Load();
    auto* key = named<QComboBox>(m_window.get(), QStringLiteral("cboKey"));
    auto* chord = named<QComboBox>(m_window.get(), QStringLiteral("cboChord"));
    key->setCurrentIndex(1);
    QCOMPARE(m_window->CurrentChord()->Key(), QStringLiteral("A#"));
    QCOMPARE(m_window->chordState().CurrentFormula, QStringLiteral("158")); // chord type kept
    chord->setCurrentIndex(24);
    QCOMPARE(m_window->CurrentChord()->Construct(), QStringLiteral("A#C#F G#"));
    QCOMPARE(m_window->ChordSuffix(), QStringLiteral("m7"));
    QCOMPARE(m_window->chordState().CurrentNoteRow, QStringLiteral("A#B C C#D D#E F F#G G#A ")); // key kept
}

void TestMainWindow::quitNoChangesNothing()
{
    m_window->Form_Load();
    m_recorder->messages.clear(); // start-up may have reported a missing database
    const ChordState before = m_window->chordState();
    named<QAction>(m_window.get(), QStringLiteral("mnuNo"))->trigger();
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->chordState().CurrentNoteRow, before.CurrentNoteRow);
    QCOMPARE(m_window->chordState().CurrentFormula, before.CurrentFormula);
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestMainWindow::closingUnloadsTheWindow()
{
    m_window->Form_Load();
    m_recorder->messages.clear();
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_recorder->messages.isEmpty());
}

void TestMainWindow::quitYesUnloadsEveryWindow()
{
    m_window->Form_Load();
    QWidget other;
    other.show();
    named<QAction>(m_window.get(), QStringLiteral("mnuQuitYes"))->trigger();
    QVERIFY(!m_window->isVisible());
    QVERIFY(!other.isVisible());
}

void TestMainWindow::keyboardAndScreenReaders_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<QString>("label"); // the label that names a bar
    // In Tab order; Tab from the last goes round to the first.
    QTest::newRow("cboKey") << "cboKey" << "Key" << "";
    QTest::newRow("cboChord") << "cboChord" << "Chord type" << "";
    QTest::newRow("chkStrum") << "chkStrum" << "Strum" << "";
    QTest::newRow("cmdNextPos(1)") << "cmdNextPos(1)" << "Previous Position" << "";
    QTest::newRow("cmdNextPos(0)") << "cmdNextPos(0)" << "Next Position" << "";
    QTest::newRow("Slider(0)") << "Slider(0)" << "Volume" << "Label1(0)";
    QTest::newRow("Slider(1)") << "Slider(1)" << "Strum speed" << "Label1(1)";
    QTest::newRow("scrNeck") << "scrNeck" << "Neck position" << "";
}

void TestMainWindow::keyboardAndScreenReaders()
{
    QFETCH(QString, name);
    QFETCH(QString, accessibleName);
    QFETCH(QString, label);
    const QStringList order = {QStringLiteral("cboKey"), QStringLiteral("cboChord"), QStringLiteral("chkStrum"),
                               QStringLiteral("cmdNextPos(1)"), QStringLiteral("cmdNextPos(0)"),
                               QStringLiteral("Slider(0)"), QStringLiteral("Slider(1)"), QStringLiteral("scrNeck")};
    m_window->Form_Load();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QWidget* w = m_window.get();
    auto* control = named<QWidget>(w, name);
    auto* previous = named<QWidget>(w, order.at((order.indexOf(name) + order.size() - 1) % order.size()));
    QVERIFY(control && previous && control->isEnabled());

    // Tab reaches it from the control before it.
    QVERIFY(control->focusPolicy() & Qt::TabFocus);
    previous->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), previous);
    QTest::keyClick(previous, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), control);

    // A screen reader finds its name and what it does.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), accessibleName);
    QVERIFY(!accessible->text(QAccessible::Description).isEmpty());

    // The arrow keys move a bar by its small step; its label is its buddy.
    if (auto* bar = qobject_cast<QScrollBar*>(control)) {
        bar->setValue((bar->minimum() + bar->maximum()) / 2);
        const int middle = bar->value();
        QTest::keyClick(bar, Qt::Key_Right);
        QCOMPARE(bar->value(), middle + bar->singleStep());
        QTest::keyClick(bar, Qt::Key_Left);
        QCOMPARE(bar->value(), middle);
    }
    if (!label.isEmpty())
        QCOMPARE(named<QLabel>(w, label)->buddy(), control);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
