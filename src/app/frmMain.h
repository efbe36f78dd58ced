#pragma once
// The main window. It composes the parts (chord selector, neck, chord
// diagram, sound controls, status bar, menus) and keeps the named handlers
// where events arrive; each handler hands the work to the part that owns it.
//
// Flow of a chord change: cboKey_Click / cboChord_Click store the new note
// row or formula in the chord state -> UpdateFretboard marks the neck ->
// QueryChords looks up the stored fingerings and shows the first.

#include "theory/clsChord.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QScrollBar;
class QTimer;
class QWidget;

namespace lyrovan {

class ChordDiagram;
class DataSource;
class MidiOut;
class Neck;
class PictureButton;

// What the window needs from outside: the folder its files lie in and the
// MIDI output it plays through (not owned; may be null: no sound at all).
// Files missing from programFolder are looked for in dataFolders, in order.
struct MainWindowParts {
    QString programFolder;
    MidiOut* midi = nullptr;
    QStringList dataFolders = {};
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
    // The Strum/Stop toggle: checked opens the device and starts the strum,
    // unchecked closes the device.
    void chkStrum_Click();
    // One step of the strum: one string, or the end with its one-second hold.
    void tmrStrum_Timer();
    void mnuInst_Click(int Index);
    // A scroll bar's value changed, by any means: 0 volume, 1 strum speed.
    void Slider_Scroll(int Index);

    // Shared chord state.
    const ChordState& chordState() const { return m_state; }
    const clsChord* CurrentChord() const { return m_currentChord.get(); }
    const QString& ChordSuffix() const { return m_chordSuffix; }
    const QString& HelpFile() const { return m_helpFile; }
    // The base fret of the position shown (0 until one is shown).
    std::int16_t PositionFret() const { return m_positionFret; }

    // Sound state.
    int MidiChannel() const { return m_midiChannel; }
    int NoteVelocity() const { return m_noteVelocity; }
    int MidiDeviceId() const { return m_midiDeviceId; }
    int InstrumentProgram() const { return m_instrumentProgram; }
    int StringBaseNote() const { return m_stringBaseNote; }
    int StrumStep() const { return m_strumStep; }

    DataSource* datChords() const { return m_datChords; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Unload();
    void UpdateFretboard();
    void QueryChords();
    void UpdateCaptions();
    const clsChord& RequireChord() const;
    void PlayNote(int FretOffset);
    void SendToDevice(std::uint32_t message);

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
    std::int16_t m_positionFret = 0;

    int m_midiChannel = 0;
    int m_noteVelocity = 127;
    int m_midiDeviceId = -1;
    int m_instrumentProgram = 24;
    int m_stringBaseNote = 0;
    std::int16_t m_strumStep = 0;
    // The strum interval the speed bar asks for; a running strum takes it
    // up at its next tick.
    int m_strumInterval = 100;
    // False while the diagram shows no stored position (the query found none).
    bool m_positionShown = false;
    bool m_soundPrepared = false;
    bool m_unloaded = false;

    QWidget* m_client = nullptr;
    QGroupBox* m_fraChordSelector = nullptr;
    QComboBox* m_cboKey = nullptr;
    QComboBox* m_cboChord = nullptr;
    PictureButton* m_chkStrum = nullptr;
    PictureButton* m_cmdNextPos[2] = {};
    QLabel* m_label1[2] = {};
    QScrollBar* m_slider[2] = {};
    QWidget* m_statBar = nullptr;
    QLabel* m_lblPanel[3] = {};
    QTimer* m_tmrStrum = nullptr;
    DataSource* m_datChords = nullptr;
    Neck* m_neck = nullptr;
    ChordDiagram* m_diagram = nullptr;
    QAction* m_mnuInst[18] = {};
};

} // namespace lyrovan
