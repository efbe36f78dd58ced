#pragma once
// Where the program finds the files it reads, Chords.mdb and Help.chm: in its
// own folder first (a build tree, a copied folder), then where an install puts
// them, share/lyrovan of the XDG data folders. An installed program looks in
// its install's share/lyrovan first.

#include <QString>
#include <QStringList>

namespace lyrovan {

// The folders searched after the program's own, in order: lyrovan/ in each
// XDG data folder ($XDG_DATA_HOME, then $XDG_DATA_DIRS; the application name
// must be "lyrovan"), then share/lyrovan beside programFolder, so that an
// install under any prefix finds its own files. Without repeats or
// programFolder itself.
QStringList InstalledDataFolders(const QString& programFolder);

// Every folder looked in, in order: programFolder and InstalledDataFolders,
// but when the program is installed (programFolder is a bin/ beside a
// share/lyrovan) that share/lyrovan comes first and programFolder last, so
// that a file missing there is reported where the install put it.
QStringList DataFolders(const QString& programFolder);

struct DataFile {
    // The file in the first folder that has it; when none has it, its place
    // in the first folder.
    QString path;
    // When none has it: the folders looked in besides the first one.
    QStringList alsoLookedIn;
};

DataFile FindDataFile(const QStringList& folders, const QString& name);

// Looks for the chord database and the help file as the window does and
// reads both; appends one line per file to report: where it is, or why it
// cannot be read. Returns 0 when both can be read, 1 otherwise.
int CheckDataFiles(const QStringList& folders, QString& report);

} // namespace lyrovan
