#pragma once
// The strum. The Strum/Stop toggle opens the MIDI output and starts the
// timer tmrStrum; each tick plays one string, from string 6 to string 1 (a
// bass: 6 to 3, an octave lower), at the fret the chord diagram gives it as
// it is at that moment (score()); after the last string the strum holds for
// one second, the window staying responsive, and unchecks the toggle, which
// closes the output. The instrument, loudness and speed only change the
// sound state here; the next note or strum takes them up.
//
// A tick reads a string's six cells from the nut down: an "X" anywhere
// mutes the string; otherwise it sounds at the marked cell (anything but a
// blank) farthest from the nut, fret PositionFret + row, or open if none is.

#include "theory/ChordPosition.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>

class QAbstractButton;
class QTimer;

namespace lyrovan {

class MidiOut;

class Strummer : public QObject {
    Q_OBJECT
public:
    // toggle is the Strum/Stop toggle: its caption tells the state, and the
    // end of a strum unchecks it. midi is not owned; null: there is no MIDI
    // output, every strum warns and runs silently.
    Strummer(QAbstractButton* toggle, MidiOut* midi, QObject* parent = nullptr);
    ~Strummer() override;

    // Where each tick reads the fingering shown.
    void setScore(std::function<ChordPosition()> score) { m_score = std::move(score); }

    // The toggle was checked or unchecked. Checked: the caption becomes
    // "&Stop" and, if canStart (the chord has positions to strum), the
    // output opens (a warning if it cannot), the program change goes out
    // and the timer runs. Unchecked: the output closes, the caption becomes
    // "&Strum"; a running strum steps on without sound.
    void chkStrum_Click(bool canStart);
    // One step: one string, or the end with its one-second hold.
    void tmrStrum_Timer();
    // No further step runs, and the output is closed.
    void Unload();
    // Gets the output ready for the first strum, without waiting for it.
    void prepare();

    // Sound state, as at start-up: channel 0, velocity 127, device -1 (the
    // default synthesizer), program 24.
    void SetSoundDefaults();
    void setInstrumentProgram(int program) { m_instrumentProgram = program; }
    void setNoteVelocity(int velocity) { m_noteVelocity = velocity; }
    // The interval between strings, in milliseconds; a running strum takes
    // it up at its next tick.
    void setStrumInterval(int milliseconds);

    QTimer* tmrStrum() const { return m_tmrStrum; }
    int MidiChannel() const { return m_midiChannel; }
    int NoteVelocity() const { return m_noteVelocity; }
    int MidiDeviceId() const { return m_midiDeviceId; }
    int InstrumentProgram() const { return m_instrumentProgram; }
    int StringBaseNote() const { return m_stringBaseNote; }
    int StrumStep() const { return m_strumStep; }

private:
    void PlayNote(int FretOffset);
    void WarnUnableToOpen();
    bool bass() const;

    QAbstractButton* m_toggle;
    std::unique_ptr<MidiOut> m_none; // stands in when there is no output
    MidiOut* m_midi;
    std::function<ChordPosition()> m_score;
    QTimer* m_tmrStrum;

    int m_midiChannel = 0;
    int m_noteVelocity = 127;
    int m_midiDeviceId = -1;
    int m_instrumentProgram = 24;
    int m_stringBaseNote = 0;
    std::int16_t m_strumStep = 0;
    int m_strumInterval = 100;
};

} // namespace lyrovan
