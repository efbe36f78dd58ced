// The neck in the real main window: the note markers' captions, places and
// the map of a chord's notes after each selection, and the scrolling strip.
//
// Expected maps are worked out here from pitch numbers (open strings as
// MIDI notes, formula digits as semitones), independently of the captions
// the neck compares against.

#include "app/frmMain.h"
#include "fretboard/Neck.h"
#include "support/TestSupport.h"
#include "theory/ChordTables.h"
#include "theory/clsChord.h"
#include "ui/Fonts.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSet>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <memory>

using namespace lyrovan;
using namespace lyrovan::test;

namespace {

constexpr int kStrings = 6;
constexpr int kFrets = 22;
// Open strings 1..6 as MIDI notes: E4 B3 G3 D3 A2 E2.
constexpr int kOpenMidi[kStrings] = {64, 59, 55, 50, 45, 40};

const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);

int pitchAt(int string, int fret) { return (kOpenMidi[string - 1] + fret) % 12; }

QString noteName(int pitchClass)
{
    return QString::fromLatin1(NoteNames[static_cast<std::size_t>(pitchClass)].data(), 2);
}

int keyPitch(int keyIndex)
{
    return PitchClassOf(Keys[static_cast<std::size_t>(keyIndex)].noteRow.substr(0, 2));
}

int chordIndex(const char* listText)
{
    for (int i = 0; i < ChordTypeCount; ++i)
        if (ChordTypes[static_cast<std::size_t>(i)].listText == listText)
            return i;
    return -1;
}

int keyIndex(const char* listText)
{
    for (int i = 0; i < KeyCount; ++i)
        if (Keys[static_cast<std::size_t>(i)].listText == listText)
            return i;
    return -1;
}

QColor backOf(const QWidget* widget) { return widget->palette().color(QPalette::Window); }

QLabel* markerIn(QObject* root, int string, int fret)
{
    return named<QLabel>(root, element(QStringLiteral("lbl%1").arg(string), fret));
}

// Compares every marker with the map of key and chord type; empty if all agree.
QString mismatches(QObject* root, int key, int chordType)
{
    const QSet<int> notes = ChordPitchClasses(keyPitch(key), chordType);
    QString report;
    for (int s = 1; s <= kStrings; ++s) {
        for (int f = 0; f < kFrets; ++f) {
            const QLabel* marker = markerIn(root, s, f);
            const bool visible = notes.contains(pitchAt(s, f));
            const QColor back = pitchAt(s, f) == keyPitch(key) ? kRed : kWhite;
            if (marker->isHidden() == visible || backOf(marker) != back)
                report += QStringLiteral(" %1").arg(marker->objectName());
        }
    }
    return report;
}

QRect inViewport(QWidget* widget, QWidget* viewport)
{
    return QRect(widget->mapTo(viewport, QPoint(0, 0)), widget->size());
}

} // namespace

class TestFretboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void captionsFollowTheTuning_data();
    void captionsFollowTheTuning();
    void markersAsBuilt();
    void markerPlaces_data();
    void markerPlaces();
    void fretNumbers_data();
    void fretNumbers();
    void stripAndScrollBar();

    void cMajorExample_data();
    void cMajorExample();
    void selectAll_data();
    void selectAll();
    void rootIsRedNotFirstNote();
    void everyKeyAndType_data();
    void everyKeyAndType();
    void keyChangeMovesThePattern_data();
    void keyChangeMovesThePattern();
    void emptyFormulaClearsEverything_data();
    void emptyFormulaClearsEverything();

    void startPosition();
    void clicksOnTheBar_data();
    void clicksOnTheBar();
    void stepsAcrossTheRange_data();
    void stepsAcrossTheRange();
    void highestPositionShowsFret21();
    void selectionKeepsTheScrollPosition();
    void dragMovesNothingUntilRelease();

private:
    void select(int key, int chordType);
    QScrollBar* bar() { return named<QScrollBar>(m_window.get(), QStringLiteral("scrNeck")); }
    QWidget* strip() { return named<QWidget>(m_window.get(), QStringLiteral("picNeckInner")); }
    QWidget* viewport() { return named<QWidget>(m_window.get(), QStringLiteral("picNeckOuter")); }

    QTemporaryDir m_folder;
    std::unique_ptr<RecordingPresenter> m_recorder;
    std::unique_ptr<frmMain> m_window;
};

void TestFretboard::initTestCase()
{
    LoadBundledFonts();
    QVERIFY(m_folder.isValid());
}

void TestFretboard::init()
{
    m_recorder = std::make_unique<RecordingPresenter>();
    m_window = std::make_unique<frmMain>(MainWindowParts{m_folder.path(), nullptr});
}

void TestFretboard::cleanup()
{
    m_window.reset();
    m_recorder.reset();
}

void TestFretboard::select(int key, int chordType)
{
    named<QComboBox>(m_window.get(), QStringLiteral("cboKey"))->setCurrentIndex(key);
    named<QComboBox>(m_window.get(), QStringLiteral("cboChord"))->setCurrentIndex(chordType);
}

void TestFretboard::captionsFollowTheTuning_data()
{
    QTest::addColumn<int>("string");
    QTest::addColumn<int>("fret");
    QTest::addColumn<QString>("caption");
    QTest::newRow("lbl1(8)") << 1 << 8 << QStringLiteral("C ");
    QTest::newRow("lbl4(10)") << 4 << 10 << QStringLiteral("C ");
    QTest::newRow("lbl6(21)") << 6 << 21 << QStringLiteral("C#");
    QTest::newRow("lbl3(0)") << 3 << 0 << QStringLiteral("G ");
    QTest::newRow("lbl2(11)") << 2 << 11 << QStringLiteral("A#");
}

void TestFretboard::captionsFollowTheTuning()
{
    QFETCH(int, string);
    QFETCH(int, fret);
    QFETCH(QString, caption);
    QCOMPARE(markerIn(m_window.get(), string, fret)->text(), caption);

    // And the whole string agrees with the tuning, fret by fret.
    for (int f = 0; f < kFrets; ++f)
        QCOMPARE(markerIn(m_window.get(), string, f)->text(), noteName(pitchAt(string, f)));
}

void TestFretboard::markersAsBuilt()
{
    // Widths the window's font (the program's own, always present) gives each
    // caption when sized to fit.
    const QHash<QString, int> widths = {
        {QStringLiteral("F "), 135}, {QStringLiteral("C "), 150}, {QStringLiteral("E "), 150},
        {QStringLiteral("A "), 150}, {QStringLiteral("B "), 150}, {QStringLiteral("D "), 165},
        {QStringLiteral("G "), 165}, {QStringLiteral("F#"), 195}, {QStringLiteral("C#"), 210},
        {QStringLiteral("A#"), 210}, {QStringLiteral("D#"), 225}, {QStringLiteral("G#"), 225}};
    for (int s = 1; s <= kStrings; ++s) {
        for (int f = 0; f < kFrets; ++f) {
            QLabel* marker = markerIn(m_window.get(), s, f);
            QVERIFY2(!marker->isHidden(), qPrintable(marker->objectName()));
            QVERIFY(marker->autoFillBackground());
            QCOMPARE(marker->palette().color(QPalette::WindowText), QColor(Qt::black));
            QCOMPARE(marker->font(), m_window->font());
            QCOMPARE(marker->height(), Px(195));
            QCOMPARE(marker->width(), marker->sizeHint().width());
            QCOMPARE(marker->width(), Px(widths.value(marker->text())));
        }
    }
}

void TestFretboard::markerPlaces_data()
{
    QTest::addColumn<int>("string");
    QTest::addColumn<int>("fret");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::newRow("lbl1(0)") << 1 << 0 << 360 << 60;
    QTest::newRow("lbl2(6)") << 2 << 6 << 5280 << 420;
    QTest::newRow("lbl2(7)") << 2 << 7 << 5880 << 420;
    QTest::newRow("lbl3(3)") << 3 << 3 << 2940 << 720;
    QTest::newRow("lbl3(16)") << 3 << 16 << 10200 << 720;
    QTest::newRow("lbl4(8)") << 4 << 8 << 6540 << 1080;
    QTest::newRow("lbl4(20)") << 4 << 20 << 11460 << 1080;
    QTest::newRow("lbl5(13)") << 5 << 13 << 9000 << 1380;
    QTest::newRow("lbl6(1)") << 6 << 1 << 1260 << 1740;
    QTest::newRow("lbl6(21)") << 6 << 21 << 11760 << 1740;
}

void TestFretboard::markerPlaces()
{
    QFETCH(int, string);
    QFETCH(int, fret);
    QFETCH(int, left);
    QFETCH(int, top);
    QLabel* marker = markerIn(m_window.get(), string, fret);
    QCOMPARE(marker->parentWidget(), strip());
    QCOMPARE(marker->pos(), TwipPoint(left, top));
}

void TestFretboard::fretNumbers_data()
{
    QTest::addColumn<int>("fret");
    QTest::addColumn<int>("left");
    const int lefts[kFrets] = {360, 1260, 2220, 3000, 3780, 4560, 5280, 5940, 6600, 7200, 7620,
        8160, 8580, 9000, 9420, 9780, 10140, 10500, 10860, 11160, 11520, 11820};
    for (int f = 0; f < kFrets; ++f)
        QTest::addRow("fret %d", f) << f << lefts[f];
}

void TestFretboard::fretNumbers()
{
    QFETCH(int, fret);
    QFETCH(int, left);
    auto* label = named<QLabel>(m_window.get(), element(QStringLiteral("lblFret"), fret));
    QCOMPARE(label->parentWidget(), strip());
    QCOMPARE(label->text(), QString::number(fret));
    QCOMPARE(label->pos(), TwipPoint(left, 2040));
    QCOMPARE(label->width(), label->sizeHint().width());
    QCOMPARE(backOf(label), backOf(strip()));
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::black));
    // The number lies under the markers of its fret.
    const QLabel* lowest = markerIn(m_window.get(), 6, fret);
    QVERIFY(label->geometry().left() < lowest->geometry().right());
    QVERIFY(label->geometry().right() > lowest->geometry().left());
    QVERIFY(label->y() >= lowest->geometry().bottom());
}

void TestFretboard::stripAndScrollBar()
{
    QWidget* inner = strip();
    QCOMPARE(inner->parentWidget(), viewport());
    QCOMPARE(inner->geometry(), TwipRect(-300, 0, 12445, 2295));
    QVERIFY(inner->autoFillBackground());
    QCOMPARE(inner->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Light));

    QScrollBar* scroll = bar();
    QCOMPARE(scroll->parentWidget(), viewport());
    QCOMPARE(scroll->orientation(), Qt::Horizontal);
    QCOMPARE(scroll->geometry(), TwipRect(0, 2280, 5040, 315));
    QCOMPARE(scroll->minimum(), 300);
    QCOMPARE(scroll->maximum(), 7000);
    QCOMPARE(scroll->singleStep(), 100);
    QCOMPARE(scroll->pageStep(), 1000);
    QCOMPARE(scroll->value(), 300);
    // The bar lies in front of the strip.
    const QObjectList order = viewport()->children();
    QVERIFY(order.indexOf(scroll) > order.indexOf(inner));

    // The picture fills its place, behind every marker and fret number.
    auto* image = named<QLabel>(inner, QStringLiteral("imgNeck"));
    QCOMPARE(image->geometry(), TwipRect(360, 30, 11595, 1995));
    QTRY_VERIFY(!image->pixmap().isNull()); // it arrives from the background
    QCOMPARE(image->pixmap().deviceIndependentSize().toSize(), image->size());
    const qsizetype imageAt = inner->children().indexOf(image);
    for (QObject* child : inner->children()) {
        if (child != image && qobject_cast<QLabel*>(child))
            QVERIFY2(inner->children().indexOf(child) > imageAt, qPrintable(child->objectName()));
    }
}

void TestFretboard::cMajorExample_data()
{
    QTest::addColumn<int>("string");
    QTest::addColumn<QList<int>>("visible");
    QTest::addColumn<QList<int>>("red");
    QTest::newRow("string 1") << 1 << QList<int>{0, 3, 8, 12, 15, 20} << QList<int>{8, 20};
    QTest::newRow("string 2") << 2 << QList<int>{1, 5, 8, 13, 17, 20} << QList<int>{1, 13};
    QTest::newRow("string 3") << 3 << QList<int>{0, 5, 9, 12, 17, 21} << QList<int>{5, 17};
    QTest::newRow("string 4") << 4 << QList<int>{2, 5, 10, 14, 17} << QList<int>{10};
    QTest::newRow("string 5") << 5 << QList<int>{3, 7, 10, 15, 19} << QList<int>{3, 15};
    QTest::newRow("string 6") << 6 << QList<int>{0, 3, 8, 12, 15, 20} << QList<int>{8, 20};
}

void TestFretboard::cMajorExample()
{
    QFETCH(int, string);
    QFETCH(QList<int>, visible);
    QFETCH(QList<int>, red);
    m_window->Form_Load(); // starts on C major
    QCOMPARE(m_window->CurrentChord()->Key(), QStringLiteral("C "));
    QCOMPARE(m_window->chordState().CurrentFormula, QStringLiteral("158"));
    for (int f = 0; f < kFrets; ++f) {
        const QLabel* marker = markerIn(m_window.get(), string, f);
        QCOMPARE(marker->isVisible(), visible.contains(f));
        QCOMPARE(backOf(marker), red.contains(f) ? kRed : kWhite);
    }
}

void TestFretboard::selectAll_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("redCount"); // how often the key's name occurs on the neck
    QTest::newRow("C") << keyIndex("C") << 11;
    QTest::newRow("D") << keyIndex("D") << 10; // once at fret 10 or 11 on two strings
    QTest::newRow("E") << keyIndex("E") << 12; // two open E strings
    QTest::newRow("A#/Bb") << keyIndex("A#/Bb") << 11;
}

void TestFretboard::selectAll()
{
    QFETCH(int, key);
    QFETCH(int, redCount);
    m_window->Form_Load();
    select(key, chordIndex("select all"));
    int red = 0;
    for (int s = 1; s <= kStrings; ++s) {
        for (int f = 0; f < kFrets; ++f) {
            const QLabel* marker = markerIn(m_window.get(), s, f);
            QVERIFY(marker->isVisible());
            const bool isKey = pitchAt(s, f) == keyPitch(key);
            QCOMPARE(backOf(marker), isKey ? kRed : kWhite);
            red += isKey ? 1 : 0;
        }
    }
    QCOMPARE(red, redCount);
}

void TestFretboard::rootIsRedNotFirstNote()
{
    m_window->Form_Load();
    const int a = keyIndex("A");
    const int thirteenth = chordIndex("thirteenth");
    select(a, thirteenth);
    const QString first = m_window->CurrentChord()->Construct().left(2);
    QVERIFY(first != QStringLiteral("A "));
    QCOMPARE(mismatches(m_window.get(), a, thirteenth), QString());
    int firstNoteMarkers = 0;
    for (int s = 1; s <= kStrings; ++s) {
        for (int f = 0; f < kFrets; ++f) {
            const QLabel* marker = markerIn(m_window.get(), s, f);
            if (marker->text() == first) {
                ++firstNoteMarkers;
                QVERIFY(marker->isVisible());
                QCOMPARE(backOf(marker), kWhite);
            }
        }
    }
    QVERIFY(firstNoteMarkers > 0);
}

void TestFretboard::everyKeyAndType_data()
{
    QTest::addColumn<int>("chordType");
    for (int c = 0; c < ChordTypeCount; ++c)
        QTest::newRow(ChordTypes[static_cast<std::size_t>(c)].listText.data()) << c;
}

void TestFretboard::everyKeyAndType()
{
    QFETCH(int, chordType);
    m_window->Form_Load();
    for (int key = 0; key < KeyCount; ++key) {
        select(key, chordType);
        QVERIFY2(mismatches(m_window.get(), key, chordType).isEmpty(),
            qPrintable(QStringLiteral("key %1:").arg(key) + mismatches(m_window.get(), key, chordType)));
        // An octave up the neck looks the same.
        for (int s = 1; s <= kStrings; ++s) {
            for (int f = 0; f + 12 < kFrets; ++f) {
                const QLabel* low = markerIn(m_window.get(), s, f);
                const QLabel* high = markerIn(m_window.get(), s, f + 12);
                QCOMPARE(high->isHidden(), low->isHidden());
                QCOMPARE(backOf(high), backOf(low));
            }
        }
    }
}

void TestFretboard::keyChangeMovesThePattern_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("chordType");
    QTest::newRow("C to D major") << keyIndex("C") << keyIndex("D") << chordIndex("major");
    QTest::newRow("E to F minor seventh") << keyIndex("E") << keyIndex("F") << chordIndex("minor seventh");
    QTest::newRow("G to C major") << keyIndex("G") << keyIndex("C") << chordIndex("major");
    QTest::newRow("A to A#/Bb diminished") << keyIndex("A") << keyIndex("A#/Bb") << chordIndex("diminished");
}

void TestFretboard::keyChangeMovesThePattern()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, chordType);
    m_window->Form_Load();
    select(from, chordType);
    QCOMPARE(mismatches(m_window.get(), from, chordType), QString());
    select(to, chordType);
    QCOMPARE(mismatches(m_window.get(), to, chordType), QString());
    // The old root's markers are white now, and shown only if the new chord has that note.
    const QString oldRoot = noteName(keyPitch(from));
    const bool stillInChord = ChordPitchClasses(keyPitch(to), chordType).contains(keyPitch(from));
    for (int s = 1; s <= kStrings; ++s) {
        for (int f = 0; f < kFrets; ++f) {
            const QLabel* marker = markerIn(m_window.get(), s, f);
            if (marker->text() == oldRoot) {
                QCOMPARE(backOf(marker), kWhite);
                QCOMPARE(marker->isVisible(), stillInChord);
            }
        }
    }
}

void TestFretboard::emptyFormulaClearsEverything_data()
{
    QTest::addColumn<QString>("noteRow");
    QTest::newRow("nothing chosen") << QString();
    QTest::newRow("key only") << QString::fromLatin1(Keys[static_cast<std::size_t>(keyIndex("C"))].noteRow.data(), 24);
}

void TestFretboard::emptyFormulaClearsEverything()
{
    QFETCH(QString, noteRow);
    QWidget host;
    host.setFont(WindowFont());
    Neck neck(&host);
    ChordState state;
    const clsChord chord(state);

    // Fill the grid first, so the empty update has something to clear.
    state.CurrentNoteRow = QString::fromLatin1(Keys[0].noteRow.data(), 24);
    const std::string_view all = ChordTypes[static_cast<std::size_t>(chordIndex("select all"))].formula;
    state.CurrentFormula = QString::fromLatin1(all.data(), static_cast<qsizetype>(all.size()));
    neck.ShowNotes(chord.Key(), chord.Construct());
    QVERIFY(!markerIn(&host, 1, 5)->isHidden());

    state.CurrentNoteRow = noteRow;
    state.CurrentFormula.clear();
    neck.ShowNotes(chord.Key(), chord.Construct());
    for (int s = 1; s <= kStrings; ++s) {
        for (int f = 0; f < kFrets; ++f) {
            QLabel* marker = markerIn(&host, s, f);
            QVERIFY(marker->isHidden());
            QCOMPARE(backOf(marker), kWhite);
        }
    }
}

void TestFretboard::startPosition()
{
    m_window->Form_Load();
    QCOMPARE(strip()->x(), Px(-300));
    // The open-string markers stand just inside the viewport's left edge,
    // and frets 0 to 5 are wholly in view.
    QCOMPARE(inViewport(markerIn(m_window.get(), 1, 0), viewport()).left(), Px(60));
    const QRect view = viewport()->rect();
    for (int s = 1; s <= kStrings; ++s)
        for (int f = 0; f <= 5; ++f)
            QVERIFY(view.contains(inViewport(markerIn(m_window.get(), s, f), viewport())));
}

void TestFretboard::clicksOnTheBar_data()
{
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("value");
    QTest::newRow("right arrow") << int(QStyle::SC_ScrollBarAddLine) << 1 << 400;
    QTest::newRow("right arrow twice") << int(QStyle::SC_ScrollBarAddLine) << 2 << 500;
    QTest::newRow("trough right of thumb") << int(QStyle::SC_ScrollBarAddPage) << 1 << 1300;
    QTest::newRow("left arrow at the start") << int(QStyle::SC_ScrollBarSubLine) << 1 << 300;
}

void TestFretboard::clicksOnTheBar()
{
    QFETCH(int, part);
    QFETCH(int, clicks);
    QFETCH(int, value);
    m_window->Form_Load();
    QScrollBar* scroll = bar();
    for (int i = 0; i < clicks; ++i) {
        QStyleOptionSlider option;
        option.initFrom(scroll);
        option.orientation = scroll->orientation();
        option.minimum = scroll->minimum();
        option.maximum = scroll->maximum();
        option.sliderPosition = scroll->sliderPosition();
        option.sliderValue = scroll->value();
        option.singleStep = scroll->singleStep();
        option.pageStep = scroll->pageStep();
        option.subControls = QStyle::SC_All;
        const QRect area = scroll->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                           QStyle::SubControl(part), scroll);
        QVERIFY(!area.isEmpty());
        QTest::mouseClick(scroll, Qt::LeftButton, {}, area.center());
    }
    QCOMPARE(scroll->value(), value);
    QCOMPARE(strip()->x(), Px(-value));
    QCOMPARE(strip()->y(), 0);
    QCOMPARE(strip()->size(), TwipRect(0, 0, 12445, 2295).size());
}

void TestFretboard::stepsAcrossTheRange_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("steps");
    QTest::newRow("arrow") << int(QAbstractSlider::SliderSingleStepAdd) << 67;
    QTest::newRow("trough") << int(QAbstractSlider::SliderPageStepAdd) << 7;
}

void TestFretboard::stepsAcrossTheRange()
{
    QFETCH(int, action);
    QFETCH(int, steps);
    QScrollBar* scroll = bar();
    int taken = 0;
    while (scroll->value() < scroll->maximum() && taken < 1000) {
        scroll->triggerAction(QAbstractSlider::SliderAction(action));
        ++taken;
        QCOMPARE(strip()->x(), Px(-scroll->value()));
    }
    QCOMPARE(taken, steps);
}

void TestFretboard::highestPositionShowsFret21()
{
    m_window->Form_Load();
    QScrollBar* scroll = bar();
    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(strip()->x(), Px(-7000));
    const QRect view = viewport()->rect();
    for (int s = 1; s <= kStrings; ++s)
        for (int f = 9; f < kFrets; ++f)
            QVERIFY2(view.contains(inViewport(markerIn(m_window.get(), s, f), viewport())),
                qPrintable(markerIn(m_window.get(), s, f)->objectName()));
    auto* number = named<QLabel>(m_window.get(), element(QStringLiteral("lblFret"), 21));
    QVERIFY(view.contains(inViewport(number, viewport())));
    // The strip still covers the viewport to its right edge.
    QVERIFY(inViewport(strip(), viewport()).right() >= view.right());
}

void TestFretboard::selectionKeepsTheScrollPosition()
{
    m_window->Form_Load();
    QScrollBar* scroll = bar();
    scroll->triggerAction(QAbstractSlider::SliderPageStepAdd);
    scroll->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const int value = scroll->value();
    const int left = strip()->x();
    QCOMPARE(left, Px(-value));
    select(keyIndex("F#/Gb"), chordIndex("minor ninth"));
    select(keyIndex("B"), chordIndex("minor ninth"));
    QCOMPARE(scroll->value(), value);
    QCOMPARE(strip()->x(), left);
}

void TestFretboard::dragMovesNothingUntilRelease()
{
    m_window->Form_Load();
    QScrollBar* scroll = bar();
    const int start = strip()->x();
    scroll->setSliderDown(true);
    for (int position : {1000, 4000, 5200}) {
        scroll->setSliderPosition(position);
        QCOMPARE(strip()->x(), start);
    }
    scroll->setSliderDown(false);
    QCOMPARE(scroll->value(), 5200);
    QCOMPARE(strip()->x(), Px(-5200));
}

QTEST_MAIN(TestFretboard)
#include "tst_fretboard.moc"
