#pragma once
// A compiled HTML help file (.chm) opened with chmlib: lists its files, reads
// them and knows its default topic. Owns the chmlib handle; movable, not
// copyable.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

struct chmFile;
struct chmUnitInfo;

namespace lyrovan {

class ChmFile {
public:
    enum class Error { None, Missing, Unreadable, NotChm };

    ChmFile() = default;
    ChmFile(ChmFile&&) noexcept = default;
    ChmFile& operator=(ChmFile&&) noexcept = default;
    ~ChmFile() = default;

    // Opens path, closing any file opened before. On failure error() and
    // errorString() say why and the object stays closed.
    bool open(const QString& path);
    void close();

    bool isOpen() const { return m_handle != nullptr; }
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
    // files too: "#SYSTEM"); nullopt if there is no such file or it cannot
    // be read.
    std::optional<QByteArray> read(const QString& path) const;

    // The page shown first, "/index.html" style; empty if none can be found.
    // Taken from the #SYSTEM file; without one, the first entry of the
    // table of contents, then a few usual names.
    QString defaultTopic() const;
    // The title from #SYSTEM, empty if there is none.
    QString title() const;

    // Pieces of defaultTopic(), public so they can be checked on their own.
    // Value of the entry with this code in a #SYSTEM file, empty if absent.
    static QByteArray systemEntry(const QByteArray& system, int code);
    // The first "Local" target of a table of contents (.hhc), empty if none.
    static QString firstContentsTopic(const QByteArray& hhc);
    // The form chmlib looks files up by: "index.html", "a\\b.htm" ->
    // "/index.html", "/a/b.htm".
    static QString normalizedPath(const QString& path);

private:
    bool resolve(const QString& path, chmUnitInfo& info) const;

    struct Closer {
        void operator()(::chmFile* handle) const;
    };

    std::unique_ptr<::chmFile, Closer> m_handle;
    QString m_fileName;
    Error m_error = Error::None;
};

} // namespace lyrovan
