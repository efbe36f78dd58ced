#pragma once
// Opening the help file from anywhere in the program.

#include <QString>
#include <QStringList>

class QWidget;

namespace lyrovan {

class ChmFile;

// Opens chmPath into file and checks that it has a page to show. Called on
// the GUI thread, it reads the file on a worker and keeps the windows
// painting meanwhile, without taking user input. On failure
// returns the message that says why, naming the file and, for a missing
// file, the other folders it was looked for in; file is then closed.
QString OpenHelpFile(ChmFile& file, const QString& chmPath, const QStringList& alsoLookedIn = {});

// Shows the help window at the help file's default topic, owned by parent.
// The program has one help window: one already open is reused, whoever opened
// it: handed to parent, raised, activated and taken back to the default
// topic. A missing or unreadable file gets one warning message naming it, and
// no window.
void ShowHelp(const QString& chmPath, QWidget* parent, const QStringList& alsoLookedIn = {});

// Hands the help windows of one owner to another, where they stay open: a
// modal box must own the help opened from it, but the help outlives the box.
void HandOverHelpWindows(QWidget* from, QWidget* to);

} // namespace lyrovan
