#pragma once
// Reading a file that someone else may have put in place (the help file, a
// journal beside the chord database) without ever waiting on it: a FIFO, a
// device or a folder under the expected name is refused before anything is
// read, and the file is opened non-blocking, so that one swapped in after
// the check cannot block either. Symbolic links are followed: users and
// packages rely on them.

#include <QByteArray>
#include <QString>

namespace lyrovan {

struct RegularFileBytes {
    enum class Problem { None, Missing, Folder, NotRegular, Unreadable, TooLarge };

    Problem problem = Problem::None;
    QByteArray bytes;
    qint64 size = 0; // the file's size when it was opened
};

// The whole file; TooLarge (and no bytes) when it holds more than largest.
RegularFileBytes ReadRegularFile(const QString& path, qint64 largest);
// Only the first count bytes (fewer when the file is shorter).
RegularFileBytes ReadStartOfRegularFile(const QString& path, qint64 count);

} // namespace lyrovan
