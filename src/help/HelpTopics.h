#pragma once
// What the help window lists beside the page and what it hands Qt to show:
// the table of contents (.hhc) and the index (.hhk) of a help file, its pages
// bounded so that Qt's rich text can lay them out quickly, and a full-text
// search over them. Everything here takes whatever bytes the file holds and
// works in time linear in them: damaged or hostile input gives fewer or odd
// entries, a cut page, never a crash or a hang. Nothing here touches a widget,
// so it all runs on a worker.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

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
// More entries than a help file's contents or index can sensibly hold: the
// rest are left out. Names and targets are cut to LongestSitemapText, and a
// contents or index file larger than LargestSitemap is not read.
inline constexpr int MostSitemapEntries = 20000;
inline constexpr qsizetype LongestSitemapText = 1024;
inline constexpr qint64 LargestSitemap = 16 * 1024 * 1024;

// The entries of a .hhc or .hhk file: each <OBJECT type="text/sitemap"> with
// its Name and Local parameters, nested by <UL>. The one parser of both.
QList<SitemapEntry> ParseSitemap(const QByteArray& data);

// The parsed contents or index of a help file (ChmFile::contentsFile(),
// indexFile()); empty when there is none.
QList<SitemapEntry> ReadContents(const ChmFile& file);
QList<SitemapEntry> ReadIndex(const ChmFile& file);

// Bounds on a page before Qt's rich text sees it: past them Qt's parsing
// and layout take seconds, exhaust the stack or grow without end.
struct PageLimits {
    static constexpr qint64 LargestPage = 128 * 1024; // bytes; larger pages are refused
    static constexpr int DeepestNesting = 64;         // open elements, tables included
    static constexpr int DeepestTables = 8;           // a table's layout doubles with each level
    static constexpr int MostListItems = 250;         // per list: Qt's list handling is quadratic
    static constexpr int MostTableRows = 250;         // per table: a table is laid out whole
    static constexpr int MostBlocks = 2000;           // paragraphs, items, cells...: Qt lays out each
    static constexpr int LongestRun = 256;            // characters without a place to break a line
    // What Qt's table layout may be given: every character inside tables
    // counts once in one table and twice as much in each table more (Qt
    // lays out a cell's contents more than once per level), an element 64
    // characters. Past this, the tables open are closed and the rest of the
    // page is shown without tables.
    static constexpr qint64 MostTableWork = 64 * 1024;
};

// html as Qt's rich text may be given it: elements nested deeper than the
// limits, and blocks past the most a page may have, are flattened (their
// tags dropped, their text kept), tables are cut at MostTableWork (the rest
// shown without them), longer lists and tables are split in
// parts, long runs without a space get an invisible break, and every element
// that stays is closed explicitly where HTML closes it implicitly, so that
// Qt builds the tree counted here. Tags are read as Qt reads them.
QString BoundedHtml(const QString& html);

// An HTML page's bytes as text, in the charset the page declares.
QString DecodeHtml(const QByteArray& bytes);

// A page's title and readable text as Qt's own HTML reader gives them (the
// text the help window shows), read from its bounded form and without
// loading anything it refers to; white space simplified.
struct PageText {
    QString title;
    QString text;
};
PageText TextOfPage(const QString& html);

// Full-text search over the pages of a help file. A word of a query finds
// the words it starts and the words of its family, which share its stem
// (strum, strums, strumming, strummed: "strum"); letter case and accents do
// not matter. A page must hold every word of the query; pages whose title
// holds more of them come first, then by how often and how rare the words
// are, a word as typed counting more than its relatives.
class HelpSearchIndex {
public:
    struct Hit {
        QString path; // "/page.html"
        QString title;
        double score = 0;
    };

    void add(const QString& path, const QString& title, const QString& text);
    // Reads and adds every page (.htm, .html) of file within the page
    // limit; stops early once cancel is set.
    void addPages(const ChmFile& file, const std::atomic<bool>* cancel = nullptr);
    QList<Hit> search(const QString& query) const;
    int pageCount() const { return static_cast<int>(m_pages.size()); }

    // The words of text as they are indexed and looked for: runs of letters
    // and digits, case folded, without accents.
    static QStringList wordsOf(const QString& text);
    // What a query word looks for: itself without a simple English ending
    // ("strumming", "strummed", "strums" -> "strum"), kept whole when what
    // would be left is short or has no vowel ("string", "sing").
    static QString stemOf(const QString& word);

private:
    struct Postings {
        QHash<int, int> count; // page number -> times in the page (title and text)
        QHash<int, bool> inTitle;
    };
    struct Page {
        QString path;
        QString title;
    };
    QList<Page> m_pages;
    QHash<QString, Postings> m_postings; // word -> where it occurs
    // Every indexed word in order, for finding those a stem starts: made
    // on the first search after a page was added.
    mutable QStringList m_sorted;
    mutable bool m_sortedStale = false;
};

} // namespace lyrovan
