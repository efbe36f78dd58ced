#pragma once
// The main window. It composes the parts and keeps the named handlers where
// events arrive; each handler hands the work to the part that owns it:
//   Neck            the neck and its note markers (UpdateFretboard)
//   ChordPositions  the chord query and the stored positions (QueryChords,
//                   the position buttons)
//   ChordDiagram    the position shown, its fret and chord captions
//   Strummer        the strum, the MIDI output and the sound state
// The tuning (one for the guitars, one for the basses) goes to each of the
// neck, the positions and the strum.
//
// Flow of a chord change: cboKey_Click / cboChord_Click store the new note
// row or formula in the chord state -> UpdateFretboard marks the neck ->
// QueryChords looks up the stored positions and shows the first ->
// UpdateCaptions names it.

#include "theory/TuningTexts.h"
#include "theory/clsChord.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QScrollBar;

namespace lyrovan {

class ChordDiagram;
class ChordPositions;
class MidiOut;
class Neck;
class PictureButton;
class Strummer;

// What the window needs from outside: the folder its files lie in and the
// MIDI output it plays through (not owned; null: no sound at all). Files
// missing from programFolder are looked for in dataFolders, in order. The
// tunings it starts in: standard where not given.
struct MainWindowParts {
    QString programFolder;
    MidiOut* midi = nullptr;
    QStringList dataFolders = {};
    TuningRequest tuning = {};
    bool leftHanded = false; // the neck and the diagram mirrored
};

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(MainWindowParts parts, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: shows the window, points the data source and help file at
    // the program's folder (or the data folder that has them) and selects
    // key C and chord type "major".
    void Form_Load();

    // Event handlers, named after their control and event.
    void cboKey_Click();
    void cboChord_Click();
    void mnuQuitYes_Click();
    void mnuLyrovanHelp_Click();
    void mnuAbout_Click();
    // The position buttons: 0 next, 1 previous (both circular), 2 the first
    // position (after a query); then shows the current position.
    void cmdNextPos_Click(int Index);
    void chkStrum_Click();
    void tmrStrum_Timer();
    void mnuInst_Click(int Index);
    // The Tuning menu's entries: the guitar's (GuitarTunings) and, while a
    // bass is chosen, the bass's (BassTunings).
    void mnuTuningItem_Click(int Index);
    void mnuBassTuningItem_Click(int Index);
    // The tuning given with --tuning, where the menu does not list it.
    void mnuTuningCustom_Click();
    // Mirrors the neck and the chord diagram, or puts them back.
    void mnuLeftHanded_Click();
    // A scroll bar's value changed, by any means: 0 volume, 1 strum speed.
    void Slider_Scroll(int Index);

    // The shared chord state and the help file start-up found.
    const ChordState& chordState() const { return m_state; }
    const clsChord* CurrentChord() const { return m_currentChord.get(); }
    const QString& ChordSuffix() const { return m_chordSuffix; }
    const QString& HelpFile() const { return m_helpFile; }
    // The tuning of the instrument chosen.
    const Tuning& CurrentTuning() const;
    // The tuning --tuning gave the family chosen, if the menu does not list it.
    std::optional<Tuning> CustomTuning() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Unload();
    void UpdateFretboard();
    void QueryChords();
    void UpdateCaptions();
    const clsChord& RequireChord() const;
    Family CurrentFamily() const;
    // Hands the tuning of the instrument chosen to the parts and shows the
    // chord again in it.
    void ApplyTuning();
    void UpdateTuningMenu();

    void BuildTopBand(QWidget* client);
    void BuildStatusBar(QWidget* client);
    void BuildMenus();
    void ApplyStacking();
    void SetUpKeyboard();

    MainWindowParts m_parts;
    ChordState m_state;
    std::unique_ptr<clsChord> m_currentChord;
    QString m_chordSuffix;
    QString m_helpFile;
    QStringList m_helpAlsoLookedIn;
    bool m_soundPrepared = false;
    bool m_unloaded = false;

    QGroupBox* m_fraChordSelector = nullptr;
    QComboBox* m_cboKey = nullptr;
    QComboBox* m_cboChord = nullptr;
    PictureButton* m_chkStrum = nullptr;
    PictureButton* m_cmdNextPos[2] = {};
    QLabel* m_label1[2] = {};
    QScrollBar* m_slider[2] = {};
    QWidget* m_statBar = nullptr;
    QLabel* m_lblPanel[3] = {};
    QAction* m_mnuInst[18] = {};
    int m_instrumentIndex = 1;
    QAction* m_mnuTuningItem[GuitarTunings.size()] = {};
    QAction* m_mnuBassTuningItem[BassTunings.size()] = {};
    QAction* m_mnuTuningCustom = nullptr;
    QAction* m_mnuLeftHanded = nullptr;
    Tuning m_guitarTuning = StandardTuning;
    Tuning m_bassTuning = StandardTuning;
    Tuning m_applied = StandardTuning; // what the parts have
    Neck* m_neck = nullptr;
    ChordDiagram* m_diagram = nullptr;
    ChordPositions* m_positions = nullptr;
    Strummer* m_strummer = nullptr;
};

} // namespace lyrovan
