#pragma once
// Opening the help file from anywhere in the program.

#include <QString>
#include <QStringList>

class QWidget;

namespace lyrovan {

class ChmFile;

// Opens chmPath into file and checks that it has a page to show, there and
// then (on whatever thread calls it). On failure returns the message that
// says why, naming the file and, for a missing file, the other folders it
// was looked for in; file is then closed.
QString OpenHelpFile(ChmFile& file, const QString& chmPath, const QStringList& alsoLookedIn = {});

// Shows the help window at the help file's default topic, owned by parent.
// Returns at once: the file is read on a worker, and the window (or the
// box) comes once it has been read; the window's thread never waits for it.
// Asked again while the file is being read, the one reading serves both,
// for the latest parent. The program has one help window: one already
// open is reused, whoever opened it: handed to parent, raised, activated
// and taken back to the default topic. A missing or unreadable file gets
// one warning message naming it, and no window. Should parent be gone by
// the time the file has been read, nothing is shown.
void ShowHelp(const QString& chmPath, QWidget* parent, const QStringList& alsoLookedIn = {});

// Hands the help windows of one owner to another, where they stay open, and
// a help window still being read for it: a modal box must own the help
// opened from it, but the help outlives the box.
void HandOverHelpWindows(QWidget* from, QWidget* to);

} // namespace lyrovan
