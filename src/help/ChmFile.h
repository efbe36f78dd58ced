#pragma once
// A compiled HTML help file (.chm): lists its files, reads them and knows its
// default topic. open() reads the whole file with libmspack and keeps every
// file it holds in memory, so nothing touches the decompressor afterwards.
// A damaged file can neither crash nor hang open(): every size in it is
// checked, its directory is walked once before libmspack is given it (a
// loop in it is damage), and reading stops at a time limit and a byte
// budget. Only a regular file is read. What open() read is never changed
// afterwards: copies share it, and may be read on any thread.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace lyrovan {

class ChmFile {
public:
    enum class Error { None, Missing, Unreadable, NotChm, TooLarge };

    ChmFile();
    ChmFile(const ChmFile&);
    ChmFile(ChmFile&&) noexcept;
    ChmFile& operator=(const ChmFile&);
    ChmFile& operator=(ChmFile&&) noexcept;
    ~ChmFile();

    // Opens path, closing any file opened before. On failure error() and
    // errorString() say why and the object stays closed. Files inside that
    // cannot be read are left out; the rest stay readable.
    bool open(const QString& path);
    // The same for the bytes of a help file already in memory; fileName()
    // is then empty.
    bool openBytes(const QByteArray& bytes);
    void close();

    bool isOpen() const { return m_contents != nullptr; }
    // Absolute path of the open file (or of the file that failed to open).
    QString fileName() const { return m_fileName; }
    Error error() const { return m_error; }
    // Why open() failed, as the end of a sentence: "the file is missing".
    QString errorString() const;

    // Paths of the content files, "/index.html" style, without the internal
    // "#..." and "$..." files and without directory entries.
    QStringList files() const;
    bool contains(const QString& path) const;
    // The bytes of the file at path (a leading "/" is optional, internal
    // files too: "#SYSTEM"; letter case does not matter); nullopt if there
    // is no such file or it could not be read.
    std::optional<QByteArray> read(const QString& path) const;

    // The page shown first, "/index.html" style; empty if none can be found.
    // Taken from the #SYSTEM file; without one, the first page of the table
    // of contents that the file holds, then a few usual names.
    QString defaultTopic() const;
    // The title from #SYSTEM, empty if there is none.
    QString title() const;
    // The table of contents (.hhc) and the index (.hhk): the file #SYSTEM
    // names when it is there, else the first file with that extension;
    // empty if there is none.
    QString contentsFile() const;
    QString indexFile() const;

    // Pieces of defaultTopic(), public so they can be checked on their own.
    // Value of the entry with this code in a #SYSTEM file, empty if absent.
    static QByteArray systemEntry(const QByteArray& system, int code);
    // The form files are looked up by: "index.html", "a\\b.htm" ->
    // "/index.html", "/a/b.htm".
    static QString normalizedPath(const QString& path);

    // Limits on what open() takes from a file: larger or longer is damage.
    static constexpr qint64 LargestFile = 64ll * 1024 * 1024;     // the .chm itself
    static constexpr qint64 LargestContents = 64ll * 1024 * 1024; // all files inside, unpacked
    static constexpr int MostFiles = 10000;                       // directory entries
    static constexpr int ReadTimeLimitMs = 700;

private:
    struct Contents;
    bool load(const QByteArray& bytes);
    QString findDefaultTopic() const;
    QString sitemapFile(int systemCode, QLatin1String extension) const;

    std::shared_ptr<const Contents> m_contents;
    QString m_fileName;
    Error m_error = Error::None;
};

} // namespace lyrovan
