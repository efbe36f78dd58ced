#include "RegularFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lyrovan {

namespace {

using Problem = RegularFileBytes::Problem;

Problem problemOf(const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return Problem::Folder;
    return S_ISREG(info.st_mode) ? Problem::None : Problem::NotRegular;
}

Problem problemOfErrno()
{
    return errno == ENOENT || errno == ENOTDIR || errno == ELOOP ? Problem::Missing : Problem::Unreadable;
}

// whole: the file up to largest bytes, else TooLarge; otherwise its first
// `largest` bytes.
RegularFileBytes read(const QString& path, qint64 largest, bool whole)
{
    RegularFileBytes result;
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    // Looked at first so that no device is ever opened.
    if (name.isEmpty() || ::stat(name.constData(), &info) != 0) {
        result.problem = name.isEmpty() ? Problem::Missing : problemOfErrno();
        return result;
    }
    if ((result.problem = problemOf(info)) != Problem::None)
        return result;

    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.problem = problemOfErrno();
        return result;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // Checked again on what was opened: the name may lead elsewhere by now.
    if (::fstat(fd, &info) != 0) {
        result.problem = Problem::Unreadable;
        return result;
    }
    if ((result.problem = problemOf(info)) != Problem::None)
        return result;
    result.size = info.st_size;
    if (whole && result.size > largest) {
        result.problem = Problem::TooLarge;
        return result;
    }

    // A file that grows while it is read still stops one byte past the limit.
    const qint64 wanted = whole ? largest + 1 : largest;
    QByteArray bytes(static_cast<qsizetype>(std::min(wanted, std::max<qint64>(result.size, 0) + 1)),
                     Qt::Uninitialized);
    qint64 done = 0;
    while (done < wanted) {
        if (done == bytes.size())
            bytes.resize(static_cast<qsizetype>(std::min(wanted, 2 * done)));
        const ssize_t got = ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.problem = Problem::Unreadable;
            return result;
        }
        if (got == 0)
            break;
        done += got;
    }
    if (whole && done > largest) {
        result.problem = Problem::TooLarge;
        return result;
    }
    bytes.truncate(static_cast<qsizetype>(done));
    result.bytes = std::move(bytes);
    return result;
}

} // namespace

RegularFileBytes ReadRegularFile(const QString& path, qint64 largest)
{
    return read(path, largest, true);
}

RegularFileBytes ReadStartOfRegularFile(const QString& path, qint64 count)
{
    return read(path, count, false);
}

} // namespace lyrovan
