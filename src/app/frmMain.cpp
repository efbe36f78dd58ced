#include "frmMain.h"

#include "app/DataFiles.h"
#include "app/StartupSteps.h"
#include "app/frmAbout.h"
#include "errors/ReportError.h"
#include "fretboard/Neck.h"
#include "help/Help.h"
#include "library/ChordDiagram.h"
#include "library/ChordPositions.h"
#include "library/ChordTexts.h"
#include "sound/Instruments.h"
#include "sound/Strummer.h"
#include "theory/ChordTables.h"
#include "ui/Fonts.h"
#include "ui/Labels.h"
#include "ui/NamedList.h"
#include "ui/PictureButton.h"
#include "ui/ScrollBar.h"
#include "ui/Shapes.h"
#include "ui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <array>

namespace lyrovan {

namespace {

constexpr int ClientWidth = 8820;
constexpr int ClientHeight = 4065;

// Run-time error number for using the chord before start-up created it.
constexpr std::int32_t ObjectNotSet = 91;

} // namespace

frmMain::frmMain(MainWindowParts parts, QWidget* parent)
    : QMainWindow(parent), m_parts(std::move(parts))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(ProductName));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(WindowFont());
    setWindowIcon(PictureIcon({":/icon16.png", ":/icon32.png"}));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("frmMainClient"));
    client->setFixedSize(Px(ClientWidth), Px(ClientHeight));
    setCentralWidget(client);

    m_positions = new ChordPositions(this);
    BuildTopBand(client);
    m_neck = new Neck(client);
    m_diagram = new ChordDiagram(client);
    BuildStatusBar(client);
    m_strummer = new Strummer(m_chkStrum, m_parts.midi, this);
    m_strummer->setScore([this] { return m_diagram->position(); });
    m_guitarTuning = m_parts.tuning.guitar.value_or(StandardTuning);
    m_bassTuning = m_parts.tuning.bass.value_or(StandardTuning);
    BuildMenus();
    ApplyStacking();
    SetUpKeyboard();
    ApplyTuning();
    if (m_parts.leftHanded) {
        m_mnuLeftHanded->setChecked(true);
        mnuLeftHanded_Click();
    }

    connect(m_cboKey, &QComboBox::currentIndexChanged, this, [this] { cboKey_Click(); });
    connect(m_cboChord, &QComboBox::currentIndexChanged, this, [this] { cboChord_Click(); });
    connect(m_cmdNextPos[0], &QToolButton::clicked, this, [this] { cmdNextPos_Click(0); });
    connect(m_cmdNextPos[1], &QToolButton::clicked, this, [this] { cmdNextPos_Click(1); });
    // The toggle reacts to every change of its state, by a click or by the
    // end of a strum; setting the state it already has does nothing.
    connect(m_chkStrum, &QToolButton::toggled, this, [this] { chkStrum_Click(); });
    connect(m_strummer->tmrStrum(), &QTimer::timeout, this, [this] { tmrStrum_Timer(); });
    // The bars act on every change of their value: a drag, an arrow or
    // trough click, the keyboard or the wheel.
    for (int index = 0; index < 2; ++index)
        connect(m_slider[index], &QScrollBar::valueChanged, this, [this, index] { Slider_Scroll(index); });

    // F1 opens the help from any window of the program, the modal About box
    // included (a shortcut would be blocked there); see eventFilter.
    qApp->installEventFilter(this);

    // The window cannot be resized: its size follows the fixed client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

frmMain::~frmMain() = default;

void frmMain::BuildTopBand(QWidget* client)
{
    m_fraChordSelector = new QGroupBox(QStringLiteral("Chord Selector"), client);
    m_fraChordSelector->setObjectName(QStringLiteral("fraChordSelector"));
    m_fraChordSelector->setFont(TahomaFont(9.75));
    m_fraChordSelector->setGeometry(TwipRect(120, 0, 4455, 855));

    m_cboKey = MakeDropDownList(m_fraChordSelector, QStringLiteral("cboKey"), QRect(105, 360, 915, 315),
                                TahomaFont(8.25), QStringLiteral("Key"), QStringLiteral("The key of the chord or scale"));
    for (const KeyEntry& key : Keys)
        m_cboKey->addItem(TableText(key.listText));
    m_cboKey->setCurrentIndex(-1);

    m_cboChord = MakeDropDownList(m_fraChordSelector, QStringLiteral("cboChord"), QRect(1080, 360, 3270, 315),
                                  TahomaFont(8.25), QStringLiteral("Chord type"),
                                  QStringLiteral("The chord or scale to show"));
    for (const ChordEntry& chord : ChordTypes)
        m_cboChord->addItem(TableText(chord.listText));
    m_cboChord->setMaxVisibleItems(ChordTypeCount);
    m_cboChord->setCurrentIndex(-1);

    m_chkStrum = new PictureButton(QStringLiteral("chkStrum"), QStringLiteral("&Strum"), client);
    m_chkStrum->setCheckable(true);
    m_chkStrum->setIcon(PictureIcon({":/strum.png"}));
    m_chkStrum->setFont(TahomaFont(8.25));
    m_chkStrum->setGeometry(TwipRect(4680, 0, 735, 855));
    m_chkStrum->setAccessibleDescription(QStringLiteral("Plays the fingering in the chord diagram, string by string"));

    m_cmdNextPos[1] =
        new PictureButton(QStringLiteral("cmdNextPos(1)"), QStringLiteral("&Previous Position"), client);
    m_cmdNextPos[1]->setGeometry(TwipRect(7200, 0, 735, 855));
    m_cmdNextPos[1]->setIcon(PictureIcon({":/prev.png"}));
    m_cmdNextPos[1]->setAccessibleDescription(QStringLiteral("Shows the previous stored fingering of the chord"));
    m_cmdNextPos[0] = new PictureButton(QStringLiteral("cmdNextPos(0)"), QStringLiteral("&Next Position"), client);
    m_cmdNextPos[0]->setGeometry(TwipRect(8040, 0, 735, 855));
    m_cmdNextPos[0]->setIcon(PictureIcon({":/next.png"}));
    m_cmdNextPos[0]->setAccessibleDescription(QStringLiteral("Shows the next stored fingering of the chord"));
    for (PictureButton* button : m_cmdNextPos)
        button->setFont(TahomaFont(8.25));

    m_label1[0] = MakeLabel(client, QStringLiteral("Label1(0)"), QStringLiteral("Volume"), 5475, 75, 510, 195,
                            TahomaFont(8.25), Fit::Caption);
    m_label1[1] = MakeLabel(client, QStringLiteral("Label1(1)"), QStringLiteral("Strum Speed"), 5475, 465, 690, 390,
                            TahomaFont(8.25), Fit::Wraps);

    // Named for screen readers, and their labels' buddies.
    m_slider[0] = MakeScrollBar(client, QStringLiteral("Slider(0)"), QRect(6000, 0, 1095, 375), 10, 127, 1, 10, 127);
    m_slider[0]->setAccessibleName(QStringLiteral("Volume"));
    m_slider[0]->setAccessibleDescription(QStringLiteral("How loud the strum sounds"));
    m_slider[1] = MakeScrollBar(client, QStringLiteral("Slider(1)"), QRect(6000, 480, 1095, 375), 1, 200, 4, 38, 160);
    m_slider[1]->setAccessibleName(QStringLiteral("Strum speed"));
    m_slider[1]->setAccessibleDescription(QStringLiteral("How fast the strings of a strum follow each other"));
    for (int index = 0; index < 2; ++index)
        m_label1[index]->setBuddy(m_slider[index]);
}

void frmMain::BuildStatusBar(QWidget* client)
{
    m_statBar = new QWidget(client);
    m_statBar->setObjectName(QStringLiteral("StatBar"));
    m_statBar->setGeometry(TwipRect(0, 3690, ClientWidth, 375));
    m_statBar->setAccessibleName(QStringLiteral("Status"));
    m_statBar->setAccessibleDescription(QStringLiteral("The chord's name, its notes and the instrument"));

    // Each panel's caption ends a little before the next panel (the last one
    // before the window's edge): a longer one is cut short, whole in its tooltip.
    const QFont font = TahomaFont(9);
    constexpr int Gap = 4;
    m_lblPanel[0] = MakeLimitedLabel(m_statBar, QStringLiteral("lblPanel(0)"), QStringLiteral("Chord:"), 120, 40,
                                     Px(2160) - Px(120) - Gap, font);
    m_lblPanel[1] = MakeLimitedLabel(m_statBar, QStringLiteral("lblPanel(1)"), QStringLiteral("Chord construction:"),
                                     2160, 45, Px(6000) - Px(2160) - Gap, font);
    m_lblPanel[2] = MakeLimitedLabel(m_statBar, QStringLiteral("lblPanel(2)"), TableText(InstrumentAt(1).caption), 6000,
                                     40, Px(ClientWidth) - Px(6000) - Gap, font);
}

void frmMain::BuildMenus()
{
    const auto menu = [this](const QString& name, const QString& caption) {
        QMenu* added = menuBar()->addMenu(caption);
        added->setObjectName(name);
        return added;
    };
    const auto entry = [](QMenu* in, const QString& name, const QString& caption) {
        QAction* added = in->addAction(caption);
        added->setObjectName(name);
        return added;
    };

    QMenu* quit = menu(QStringLiteral("mnuQuitQuery"), QStringLiteral("&Quit"));
    connect(entry(quit, QStringLiteral("mnuQuitYes"), QStringLiteral("&Yes")), &QAction::triggered, this,
            [this] { mnuQuitYes_Click(); });
    entry(quit, QStringLiteral("mnuNo"), QStringLiteral("&No"));

    QMenu* instrument = menu(QStringLiteral("mnuInstrument"), QStringLiteral("In&strument"));
    for (const InstrumentEntry& item : Instruments) {
        const int index = item.menuIndex;
        QAction* action = entry(instrument, QStringLiteral("mnuInst(%1)").arg(index), TableText(item.caption));
        action->setSeparator(index == SeparatorIndex);
        action->setCheckable(true);
        action->setChecked(index == FirstInstrumentIndex);
        m_mnuInst[index] = action;
        connect(action, &QAction::triggered, this, [this, index] { mnuInst_Click(index); });
    }

    // The guitar's tunings, or the bass's while a bass is chosen, and the
    // tuning given on the command line where it is none of them.
    QMenu* tuning = menu(QStringLiteral("mnuTuning"), QStringLiteral("&Tuning"));
    const auto tuningEntries = [&](const auto& tunings, Family family, const QString& array, QAction** actions,
                                   void (frmMain::*click)(int)) {
        for (std::size_t k = 0; k < tunings.size(); ++k) {
            const int index = static_cast<int>(k);
            actions[k] = entry(tuning, QStringLiteral("%1(%2)").arg(array).arg(index), TuningCaption(tunings[k], family));
            actions[k]->setCheckable(true);
            connect(actions[k], &QAction::triggered, this, [this, click, index] { (this->*click)(index); });
        }
    };
    tuningEntries(GuitarTunings, Family::Guitar, QStringLiteral("mnuTuningItem"), m_mnuTuningItem,
                  &frmMain::mnuTuningItem_Click);
    tuningEntries(BassTunings, Family::Bass, QStringLiteral("mnuBassTuningItem"), m_mnuBassTuningItem,
                  &frmMain::mnuBassTuningItem_Click);
    m_mnuTuningCustom = entry(tuning, QStringLiteral("mnuTuningCustom"), QString());
    m_mnuTuningCustom->setCheckable(true);
    connect(m_mnuTuningCustom, &QAction::triggered, this, [this] { mnuTuningCustom_Click(); });
    tuning->addSeparator();
    m_mnuLeftHanded = entry(tuning, QStringLiteral("mnuLeftHanded"), QStringLiteral("&Left-handed neck"));
    m_mnuLeftHanded->setCheckable(true);
    connect(m_mnuLeftHanded, &QAction::triggered, this, [this] { mnuLeftHanded_Click(); });

    QMenu* help = menu(QStringLiteral("mnuHelp"), QStringLiteral("&Help"));
    connect(entry(help, QStringLiteral("mnuAbout"), QStringLiteral("&About Lyrovan")), &QAction::triggered, this,
            [this] { mnuAbout_Click(); });
    connect(entry(help, QStringLiteral("mnuLyrovanHelp"), QStringLiteral("&Lyrovan Help")), &QAction::triggered,
            this, [this] { mnuLyrovanHelp_Click(); });
}

void frmMain::ApplyStacking()
{
    // Front to back, as the layout lists them: raising from the back
    // leaves the first of the list on top.
    QWidget* const frontToBack[] = {
        m_statBar, m_slider[1], m_slider[0], m_chkStrum, m_cmdNextPos[1], m_cmdNextPos[0],
        m_diagram->frame(), m_neck->viewport(), m_fraChordSelector, m_label1[1], m_label1[0],
    };
    for (auto it = std::rbegin(frontToBack); it != std::rend(frontToBack); ++it)
        (*it)->raise();
}

void frmMain::SetUpKeyboard()
{
    // Tab goes through the controls from the top left: the two lists, the
    // buttons, the two bars, then the neck's scroll bar. (Names for screen
    // readers are given where the controls are made.)
    QWidget* const tabOrder[] = {m_cboKey,    m_cboChord,  m_chkStrum, m_cmdNextPos[1], m_cmdNextPos[0],
                                 m_slider[0], m_slider[1], m_neck->scrollBar()};
    for (std::size_t k = 0; k + 1 < std::size(tabOrder); ++k)
        setTabOrder(tabOrder[k], tabOrder[k + 1]);
}

void frmMain::Form_Load()
{
    try {
        // Centred on the screen, then shown so it is up while start-up runs.
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            adjustSize();
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        }
        // The first selection below clears the neck (no chord type is
        // selected yet) before anything is painted; cleared before the
        // window is shown, the markers are not prepared for the screen first.
        m_neck->ClearBoard();
        show();

        const QStringList folders = QStringList{m_parts.programFolder} + m_parts.dataFolders;
        const DataFile database = FindDataFile(folders, QStringLiteral("Chords.mdb"));
        m_positions->setDatabaseName(database.path, database.alsoLookedIn);
        const DataFile help = FindDataFile(folders, QStringLiteral("Help.chm"));
        m_helpFile = help.path;
        m_helpAlsoLookedIn = help.alsoLookedIn;
        m_currentChord = std::make_unique<clsChord>(m_state);

        m_cboKey->setCurrentText(TableText(Keys[3].listText));
        m_cboChord->setCurrentText(TableText(ChordTypes[0].listText));
        cboChord_Click();

        m_strummer->SetSoundDefaults();
    } catch (...) {
        ReportError(RuntimeError::fromCurrentException());
    }
}

void frmMain::cboKey_Click()
{
    const int index = m_cboKey->currentIndex();
    if (index >= 0 && index < KeyCount)
        m_state.CurrentNoteRow = TableText(Keys[static_cast<std::size_t>(index)].noteRow);
    UpdateFretboard();
    QueryChords();
}

void frmMain::cboChord_Click()
{
    const QString text = m_cboChord->currentText();
    for (const ChordEntry& chord : ChordTypes) {
        if (text == TableText(chord.listText)) {
            m_state.CurrentFormula = TableText(chord.formula);
            m_chordSuffix = TableText(chord.suffix);
            break;
        }
    }
    UpdateFretboard();
    QueryChords();
}

void frmMain::UpdateFretboard()
{
    if (m_currentChord)
        m_neck->ShowNotes(m_currentChord->Key(), m_currentChord->Construct());
}

const clsChord& frmMain::RequireChord() const
{
    if (!m_currentChord)
        throw RuntimeError(ObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
    return *m_currentChord;
}

void frmMain::QueryChords()
{
    const std::array<QWidget*, 3> positionControls{m_cmdNextPos[0], m_cmdNextPos[1], m_chkStrum};
    try {
        for (QWidget* control : positionControls)
            control->setEnabled(true);

        m_positions->Query(RequireChord().Key(), m_cboChord->currentIndex());
        cmdNextPos_Click(2);
        // One stored position or none: nothing to step through or strum.
        if (m_positions->RecordCount() <= 1) {
            for (QWidget* control : positionControls)
                control->setEnabled(false);
        }
    } catch (...) {
        ReportError(RuntimeError::fromCurrentException());
    }
}

void frmMain::cmdNextPos_Click(int Index)
{
    const ChordPosition& position = m_positions->Step(Index);
    m_diagram->showPosition(position, m_positions->PositionNumber(), m_positions->RecordCount());
    try {
        UpdateCaptions();
    } catch (...) {
        // Passed over, as every failing step of a position change is.
    }
}

void frmMain::UpdateCaptions()
{
    const clsChord& chord = RequireChord();
    const QString construct = chord.Construct();
    SetCaption(m_lblPanel[1], ConstructionCaption(construct));
    SetCaption(m_lblPanel[0], StatusChordCaption(chord.Key(), m_chordSuffix));
    m_diagram->setCaptions(FretCaption(m_diagram->position().fret), DiagramChordCaption(chord.Key(), m_chordSuffix),
                           DiagramChordCaption(chord.Key(), m_cboChord->currentText()));
}

void frmMain::mnuQuitYes_Click()
{
    // Unload every window, then end the program.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->isVisible())
            window->close();
    }
    QCoreApplication::quit();
}

void frmMain::mnuLyrovanHelp_Click()
{
    // The help opens through the F1 key of whichever window of ours is active.
    QWidget* target = QApplication::activeWindow();
    if (!target)
        target = this;
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
}

void frmMain::mnuAbout_Click()
{
    // Built afresh for every opening and shown modally; no owner window.
    frmAbout about;
    about.Form_Load();
    about.exec();
    HandOverHelpWindows(&about, this); // help opened from the box stays open
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    // Once the window has painted its first frame, the synthesizer gets
    // ready in the background, so that the first strum starts on time.
    if (!m_soundPrepared && event->type() == QEvent::Paint && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == this) {
        m_soundPrepared = true;
        MarkStartupStep("painted");
        QTimer::singleShot(0, this, [this] { m_strummer->prepare(); });
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        QWidget* modal = QApplication::activeModalWidget();
        // A message box keeps its keys: it only waits to be closed.
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier && !qobject_cast<QMessageBox*>(modal)) {
            // A modal box blocks every window but its own, so it owns the help.
            ShowHelp(m_helpFile, modal ? modal : this, m_helpAlsoLookedIn);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // The timer goes with the window: no further strum step runs.
    m_strummer->Unload();
}

void frmMain::chkStrum_Click()
{
    m_strummer->chkStrum_Click(m_cmdNextPos[0]->isEnabled());
}

void frmMain::tmrStrum_Timer()
{
    m_strummer->tmrStrum_Timer();
}

void frmMain::mnuInst_Click(int Index)
{
    const InstrumentEntry& entry = InstrumentAt(Index);
    SetCaption(m_lblPanel[2], TableText(entry.caption));
    for (int i = FirstInstrumentIndex; i <= LastInstrumentIndex; ++i)
        m_mnuInst[i]->setChecked(false);
    m_mnuInst[Index]->setChecked(true);
    m_strummer->setInstrumentProgram(entry.program);
    m_diagram->showBassArea(Index > SeparatorIndex);
    m_instrumentIndex = Index;
    ApplyTuning();
}

Family frmMain::CurrentFamily() const
{
    return m_instrumentIndex > SeparatorIndex ? Family::Bass : Family::Guitar;
}

const Tuning& frmMain::CurrentTuning() const
{
    return CurrentFamily() == Family::Bass ? m_bassTuning : m_guitarTuning;
}

void frmMain::mnuTuningItem_Click(int Index)
{
    m_guitarTuning = GuitarTunings[static_cast<std::size_t>(Index)].tuning;
    ApplyTuning();
}

void frmMain::mnuBassTuningItem_Click(int Index)
{
    m_bassTuning = BassTunings[static_cast<std::size_t>(Index)].tuning;
    ApplyTuning();
}

void frmMain::mnuTuningCustom_Click()
{
    if (const std::optional<Tuning> custom = CustomTuning())
        (CurrentFamily() == Family::Bass ? m_bassTuning : m_guitarTuning) = *custom;
    ApplyTuning();
}

std::optional<Tuning> frmMain::CustomTuning() const
{
    const bool bass = CurrentFamily() == Family::Bass;
    const std::optional<Tuning>& given = bass ? m_parts.tuning.bass : m_parts.tuning.guitar;
    if (!given)
        return std::nullopt;
    const auto listed = [&](const auto& tunings) {
        return std::any_of(tunings.begin(), tunings.end(), [&](const NamedTuning& named) { return named.tuning == *given; });
    };
    return (bass ? listed(BassTunings) : listed(GuitarTunings)) ? std::nullopt : given;
}

void frmMain::mnuLeftHanded_Click()
{
    const bool leftHanded = m_mnuLeftHanded->isChecked();
    m_neck->SetLeftHanded(leftHanded);
    m_diagram->setLeftHanded(leftHanded);
}

void frmMain::ApplyTuning()
{
    const Tuning& tuning = CurrentTuning();
    UpdateTuningMenu();
    const QString product = QString::fromLatin1(ProductName);
    setWindowTitle(tuning == StandardTuning ? product
                                            : QStringLiteral("%1 - %2").arg(product, TuningName(tuning, CurrentFamily())));
    if (tuning == m_applied)
        return;
    m_applied = tuning;
    m_neck->SetTuning(tuning);
    m_strummer->setTuning(tuning);
    m_positions->setTuning(tuning);
    if (m_currentChord) {
        UpdateFretboard();
        QueryChords();
    }
}

void frmMain::UpdateTuningMenu()
{
    const bool bass = CurrentFamily() == Family::Bass;
    const Tuning& tuning = CurrentTuning();
    bool listed = false;
    for (std::size_t k = 0; k < GuitarTunings.size(); ++k) {
        const bool current = !bass && GuitarTunings[k].tuning == tuning;
        m_mnuTuningItem[k]->setVisible(!bass);
        m_mnuTuningItem[k]->setChecked(current);
        listed = listed || current;
    }
    for (std::size_t k = 0; k < BassTunings.size(); ++k) {
        const bool current = bass && BassTunings[k].tuning == tuning;
        m_mnuBassTuningItem[k]->setVisible(bass);
        m_mnuBassTuningItem[k]->setChecked(current);
        listed = listed || current;
    }
    // The tuning given on the command line stays on the menu after another
    // is chosen, so that the user can go back to it.
    const std::optional<Tuning> custom = CustomTuning();
    m_mnuTuningCustom->setVisible(custom.has_value());
    m_mnuTuningCustom->setChecked(!listed);
    if (custom)
        m_mnuTuningCustom->setText(
            QStringLiteral("Custom (%1)").arg(TuningNotes(*custom, bass ? Family::Bass : Family::Guitar)));
}

void frmMain::Slider_Scroll(int Index)
{
    if (Index == 0)
        m_strummer->setNoteVelocity(m_slider[0]->value());
    else if (Index == 1)
        m_strummer->setStrumInterval(201 - m_slider[1]->value());
}

} // namespace lyrovan
