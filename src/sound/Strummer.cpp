#include "Strummer.h"

#include "Instruments.h"
#include "MidiOut.h"
#include "errors/MessagePresenter.h"
#include "errors/Pause.h"
#include "errors/ReportError.h"
#include "errors/RuntimeError.h"
#include "theory/Tuning.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <optional>

namespace lyrovan {

namespace {

// The string step 1..6 plays, 6 down to 1; 0 where the strum ends instead:
// at step 7, and at step 5 for a bass, which has no string 2.
int StringOfStep(int step, bool bass)
{
    if (step < 1 || step > GuitarStrings)
        return 0;
    const int string = GuitarStrings + 1 - step;
    return bass && string == 2 ? 0 : string;
}

// The fret offset a string sounds at: none when any of its cells reads
// "X"; else the marked cell farthest from the nut; open when none is marked.
std::optional<int> OffsetOf(const ChordPosition& position, int string)
{
    int offset = 0;
    for (int row = 0; row < DiagramRows; ++row) {
        const QString& cell = position.cell(string, row);
        if (cell == QStringLiteral("X"))
            return std::nullopt;
        if (cell != QStringLiteral(" "))
            offset = position.fret + row;
    }
    return offset;
}

} // namespace

Strummer::Strummer(QAbstractButton* toggle, MidiOut* midi, QObject* parent)
    : QObject(parent), m_toggle(toggle), m_none(midi ? nullptr : std::make_unique<NullMidiOut>()),
      m_midi(midi ? midi : m_none.get())
{
    m_tmrStrum = new QTimer(this);
    m_tmrStrum->setObjectName(QStringLiteral("tmrStrum"));
    m_tmrStrum->setTimerType(Qt::PreciseTimer);
    m_tmrStrum->setInterval(m_strumInterval);
    m_midi->whenOpenFailsLater([this] { WarnUnableToOpen(); });
}

Strummer::~Strummer()
{
    m_midi->whenOpenFailsLater({});
}

void Strummer::WarnUnableToOpen()
{
    // The reason and what helps go to the box's detailed text.
    ShowMessage(QStringLiteral("Unable to open MIDI device.  Could be in use, or unavailable."),
                QString::fromLatin1(ProductName), MessageIcon::Warning, m_midi->failureText());
}

void Strummer::SetSoundDefaults()
{
    m_midiChannel = 0;
    m_noteVelocity = 127;
    m_midiDeviceId = -1;
    m_instrumentProgram = 24;
}

void Strummer::setStrumInterval(int milliseconds)
{
    // Setting a running timer's interval restarts it, so during a drag of
    // the speed bar the strum would stall; a running strum takes the new
    // interval at its next tick instead.
    m_strumInterval = milliseconds;
    if (!m_tmrStrum->isActive())
        m_tmrStrum->setInterval(m_strumInterval);
}

bool Strummer::bass() const
{
    return m_instrumentProgram > LastGuitarProgram;
}

void Strummer::prepare()
{
    m_midi->prepare();
}

void Strummer::chkStrum_Click(bool canStart)
{
    try {
        if (!m_toggle->isChecked()) {
            m_midi->close();
            m_toggle->setText(QStringLiteral("&Strum"));
            return;
        }
        QElapsedTimer clicked;
        clicked.start();
        m_toggle->setText(QStringLiteral("&Stop"));
        if (!canStart)
            return;
        const std::int32_t opened = m_midi->open(m_midiDeviceId);
        if (opened != 0)
            WarnUnableToOpen();
        m_midi->shortMessage(PackProgramChange(m_instrumentProgram));
        // Enabling a running timer keeps its beat: a strum resumed after
        // Stop goes on at its next tick, not one full interval later.
        // Otherwise the first string is due one interval after the click,
        // however long the open took (a new audio output); the first tick
        // sets the interval back.
        if (!m_tmrStrum->isActive()) {
            const qint64 spent = opened == 0 ? clicked.elapsed() : 0;
            m_tmrStrum->start(static_cast<int>(std::max<qint64>(0, m_strumInterval - spent)));
        }
    } catch (...) {
        ReportError(RuntimeError::fromCurrentException());
    }
}

void Strummer::tmrStrum_Timer()
{
    try {
        // A new speed, or the first tick after a late start: the next tick
        // comes one full interval from this one.
        if (m_tmrStrum->interval() != m_strumInterval)
            m_tmrStrum->setInterval(m_strumInterval);
        ++m_strumStep;
        if (const int string = StringOfStep(m_strumStep, bass())) {
            m_stringBaseNote = StandardTuning.openNote(string) - (bass() ? BassOctaveDown : 0);
            // The diagram as it is now: a change of position mid-strum is
            // heard. An empty diagram (a chord type without a stored
            // position chosen mid-strum) plays nothing.
            const ChordPosition shown = m_score ? m_score() : ChordPosition();
            if (!shown.stored)
                return;
            if (const std::optional<int> offset = OffsetOf(shown, string))
                PlayNote(*offset);
            return;
        }
        m_strumStep = 0;
        m_tmrStrum->stop();
        // The last note rings on while the window stays responsive.
        const QPointer<Strummer> alive(this);
        Pause(1, false);
        if (alive)
            m_toggle->setChecked(false);
    } catch (...) {
        ReportError(RuntimeError::fromCurrentException());
    }
}

void Strummer::PlayNote(int FretOffset)
{
    try {
        if (FretOffset == -1)
            return;
        m_midi->shortMessage(PackNoteOn(m_midiChannel, m_stringBaseNote + FretOffset, m_noteVelocity));
    } catch (...) {
        ReportError(RuntimeError::fromCurrentException());
    }
}

void Strummer::Unload()
{
    try {
        m_tmrStrum->stop();
        m_midi->close();
    } catch (...) {
        ReportError(RuntimeError::fromCurrentException());
    }
}

} // namespace lyrovan
