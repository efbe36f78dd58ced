#pragma once
// What the help window lists beside the page: the table of contents (.hhc)
// and the index (.hhk) of a help file, and a full-text search over its pages.
// The parsers take whatever bytes the file holds: damaged input gives fewer
// or odd entries, never a crash or a hang.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace lyrovan {

class ChmFile;

// One entry of a contents or index file, in file order. level is how deep it
// is nested (0 at the top, never more than one below the entry before it,
// never above MaxSitemapLevel).
struct SitemapEntry {
    QString name;
    QString local; // "page.html#anchor" as written; empty for a heading
    int level = 0;

    bool operator==(const SitemapEntry&) const = default;
};

inline constexpr int MaxSitemapLevel = 16;

// The entries of a .hhc or .hhk file: each <OBJECT type="text/sitemap"> with
// its Name and Local parameters, nested by <UL>.
QList<SitemapEntry> ParseSitemap(const QByteArray& data);

// The parsed contents or index of a help file (ChmFile::contentsFile(),
// indexFile()); empty when there is none.
QList<SitemapEntry> ReadContents(const ChmFile& file);
QList<SitemapEntry> ReadIndex(const ChmFile& file);

// The readable text of an HTML page: tags, comments, scripts and style
// sheets dropped, character references decoded, white space collapsed.
QString TextOfHtml(const QString& html);
// The <title> of an HTML page, simplified; empty if it has none.
QString TitleOfHtml(const QString& html);
// An HTML page's bytes as text, in the charset the page declares.
QString DecodeHtml(const QByteArray& bytes);

// Full-text search over the pages of a help file: the pages holding every
// word of a query, best first. Words are runs of letters and digits, matched
// whole and regardless of case.
class HelpSearchIndex {
public:
    struct Hit {
        QString path; // "/page.html"
        QString title;
        double score = 0;
    };

    void add(const QString& path, const QString& title, const QString& text);
    // Reads and adds every page (.htm, .html) of file.
    void addPages(const ChmFile& file);
    QList<Hit> search(const QString& query) const;
    int pageCount() const { return static_cast<int>(m_pages.size()); }

    static QStringList wordsOf(const QString& text);

private:
    struct Page {
        QString path;
        QString title;
    };
    QList<Page> m_pages;
    // word -> page number -> weighted count (a word in the title counts more)
    QHash<QString, QHash<int, int>> m_postings;
};

} // namespace lyrovan
