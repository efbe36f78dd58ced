#include "HelpTopics.h"

#include "ChmFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace lyrovan {

namespace {

bool startsWithAt(const QString& text, qsizetype at, QLatin1String what)
{
    return QStringView(text).mid(at, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

// "&amp;", "&#233;", "&#xE9;" and a few common names; anything else is kept
// as written. Returns the decoded character and how much of text it used.
std::pair<QString, qsizetype> characterReference(const QString& text, qsizetype at)
{
    static const QHash<QString, QString> named{
        {QStringLiteral("amp"), QStringLiteral("&")},   {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},    {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")},  {QStringLiteral("nbsp"), QString(QChar(0xa0))},
        {QStringLiteral("ndash"), QString(QChar(0x2013))}, {QStringLiteral("mdash"), QString(QChar(0x2014))},
        {QStringLiteral("lsquo"), QString(QChar(0x2018))}, {QStringLiteral("rsquo"), QString(QChar(0x2019))},
        {QStringLiteral("ldquo"), QString(QChar(0x201c))}, {QStringLiteral("rdquo"), QString(QChar(0x201d))},
        {QStringLiteral("hellip"), QString(QChar(0x2026))}, {QStringLiteral("copy"), QString(QChar(0xa9))},
    };
    const qsizetype end = text.indexOf(QLatin1Char(';'), at);
    if (end < 0 || end - at > 10)
        return {QStringLiteral("&"), 1};
    const QString body = text.mid(at + 1, end - at - 1);
    if (body.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const bool hex = body.size() > 1 && (body[1] == QLatin1Char('x') || body[1] == QLatin1Char('X'));
        const uint code = body.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok)
            return {QStringLiteral("&"), 1};
        const bool valid = code > 0 && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
        const char32_t character = valid ? code : 0xfffd;
        return {QString::fromUcs4(&character, 1), end - at + 1};
    }
    const auto it = named.constFind(body.toLower());
    if (it == named.cend())
        return {QStringLiteral("&"), 1};
    return {*it, end - at + 1};
}

QString decodeReferences(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] != QLatin1Char('&')) {
            out += text[i++];
            continue;
        }
        const auto [character, used] = characterReference(text, i);
        out += character;
        i += used;
    }
    return out;
}

// One tag of a page or sitemap: its name (lower case, "/ul" for a closing
// tag) and its attributes (names lower case, values decoded).
struct Tag {
    QString name;
    QHash<QString, QString> attributes;
};

bool isSpace(QChar c)
{
    return c.isSpace();
}

// Reads the tag starting at text[at] == '<'; returns the position after it.
// An unclosed tag runs to the end of the text.
qsizetype readTag(const QString& text, qsizetype at, Tag& tag)
{
    const qsizetype size = text.size();
    qsizetype i = at + 1;
    const qsizetype nameStart = i;
    if (i < size && text[i] == QLatin1Char('/'))
        ++i;
    while (i < size && (text[i].isLetterOrNumber() || text[i] == QLatin1Char('!')))
        ++i;
    tag.name = text.mid(nameStart, i - nameStart).toLower();
    tag.attributes.clear();
    while (i < size) {
        while (i < size && (isSpace(text[i]) || text[i] == QLatin1Char('/')))
            ++i;
        if (i >= size)
            break;
        if (text[i] == QLatin1Char('>'))
            return i + 1;
        const qsizetype keyStart = i;
        while (i < size && !isSpace(text[i]) && text[i] != QLatin1Char('=') && text[i] != QLatin1Char('>'))
            ++i;
        const QString key = text.mid(keyStart, i - keyStart).toLower();
        while (i < size && isSpace(text[i]))
            ++i;
        QString value;
        if (i < size && text[i] == QLatin1Char('=')) {
            ++i;
            while (i < size && isSpace(text[i]))
                ++i;
            if (i < size && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
                const QChar quote = text[i++];
                qsizetype close = text.indexOf(quote, i);
                // A quote left open ends with its tag: at the end of the
                // text, or where the next tag starts right after a '>'.
                qsizetype tagEnd = text.indexOf(QLatin1Char('>'), i);
                while (tagEnd >= 0 && (close < 0 || tagEnd < close)) {
                    qsizetype after = tagEnd + 1;
                    while (after < size && isSpace(text[after]))
                        ++after;
                    if (after >= size || text[after] == QLatin1Char('<')) {
                        close = tagEnd;
                        break;
                    }
                    tagEnd = text.indexOf(QLatin1Char('>'), tagEnd + 1);
                }
                if (close < 0)
                    close = size;
                value = text.mid(i, close - i);
                i = close < size && text[close] == quote ? close + 1 : close;
            } else {
                const qsizetype valueStart = i;
                while (i < size && !isSpace(text[i]) && text[i] != QLatin1Char('>'))
                    ++i;
                value = text.mid(valueStart, i - valueStart);
            }
        }
        if (!key.isEmpty() && !tag.attributes.contains(key))
            tag.attributes.insert(key, decodeReferences(value));
    }
    return size;
}

QString decodeSitemap(const QByteArray& data)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        text = QString::fromLatin1(data); // older files are in a Windows code page
    return text;
}

QList<SitemapEntry> readSitemap(const ChmFile& file, const QString& name)
{
    const std::optional<QByteArray> data = name.isEmpty() ? std::nullopt : file.read(name);
    return data ? ParseSitemap(*data) : QList<SitemapEntry>();
}

bool isPagePath(const QString& path)
{
    return path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

} // namespace

QList<SitemapEntry> ParseSitemap(const QByteArray& data)
{
    const QString text = decodeSitemap(data);
    QList<SitemapEntry> entries;
    int openLists = 0;
    bool inObject = false;
    SitemapEntry current;

    const auto finishObject = [&] {
        if (!inObject)
            return;
        inObject = false;
        if (current.name.isEmpty())
            current.name = current.local;
        if (current.name.isEmpty())
            return;
        const int deepest = entries.isEmpty() ? 0 : entries.constLast().level + 1;
        current.level = std::clamp(current.level, 0, std::min(deepest, MaxSitemapLevel));
        entries.append(current);
    };

    Tag tag;
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] != QLatin1Char('<')) {
            const qsizetype next = text.indexOf(QLatin1Char('<'), i);
            i = next < 0 ? text.size() : next;
            continue;
        }
        if (startsWithAt(text, i, QLatin1String("<!--"))) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), i + 4);
            i = end < 0 ? text.size() : end + 3;
            continue;
        }
        i = readTag(text, i, tag);
        if (tag.name == QLatin1String("ul")) {
            ++openLists;
        } else if (tag.name == QLatin1String("/ul")) {
            openLists = std::max(0, openLists - 1);
        } else if (tag.name == QLatin1String("object")) {
            finishObject();
            const QString type = tag.attributes.value(QStringLiteral("type"), QStringLiteral("text/sitemap"));
            if (type.compare(QLatin1String("text/sitemap"), Qt::CaseInsensitive) == 0) {
                inObject = true;
                current = SitemapEntry{{}, {}, openLists - 1};
            }
        } else if (tag.name == QLatin1String("/object")) {
            finishObject();
        } else if (tag.name == QLatin1String("param") && inObject) {
            const QString key = tag.attributes.value(QStringLiteral("name")).trimmed();
            const QString value = tag.attributes.value(QStringLiteral("value")).trimmed();
            // An index keyword may list several topics: the first of each counts.
            if (key.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0 && current.name.isEmpty())
                current.name = value;
            else if (key.compare(QLatin1String("Local"), Qt::CaseInsensitive) == 0 && current.local.isEmpty())
                current.local = value;
        }
    }
    finishObject();
    return entries;
}

QList<SitemapEntry> ReadContents(const ChmFile& file)
{
    return readSitemap(file, file.contentsFile());
}

QList<SitemapEntry> ReadIndex(const ChmFile& file)
{
    return readSitemap(file, file.indexFile());
}

QString TextOfHtml(const QString& html)
{
    QString out;
    out.reserve(html.size());
    for (qsizetype i = 0; i < html.size();) {
        const QChar c = html[i];
        if (c == QLatin1Char('&')) {
            const auto [character, used] = characterReference(html, i);
            out += character;
            i += used;
            continue;
        }
        const QChar next = i + 1 < html.size() ? html[i + 1] : QChar();
        if (c != QLatin1Char('<') || !(next.isLetter() || next == QLatin1Char('/') || next == QLatin1Char('!'))) {
            out += c;
            ++i;
            continue;
        }
        if (startsWithAt(html, i, QLatin1String("<!--"))) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
            i = end < 0 ? html.size() : end + 3;
            continue;
        }
        qsizetype nameEnd = i + 1;
        const bool closing = next == QLatin1Char('/');
        if (closing)
            ++nameEnd;
        const qsizetype nameStart = nameEnd;
        while (nameEnd < html.size() && html[nameEnd].isLetterOrNumber())
            ++nameEnd;
        const QString name = html.mid(nameStart, nameEnd - nameStart).toLower();
        const qsizetype tagEnd = html.indexOf(QLatin1Char('>'), nameEnd);
        i = tagEnd < 0 ? html.size() : tagEnd + 1;
        // What the reader never sees: the title is the window's, not the page's.
        static const QStringList hidden{QStringLiteral("script"), QStringLiteral("style"),
                                        QStringLiteral("title")};
        if (!closing && hidden.contains(name)) {
            const qsizetype close = html.indexOf(QStringLiteral("</") + name, i, Qt::CaseInsensitive);
            const qsizetype closeEnd = close < 0 ? -1 : html.indexOf(QLatin1Char('>'), close);
            i = closeEnd < 0 ? html.size() : closeEnd + 1;
        }
        // Tags inside a line of text do not split its words.
        static const QStringList inLine{
            QStringLiteral("a"),     QStringLiteral("b"),    QStringLiteral("i"),    QStringLiteral("u"),
            QStringLiteral("em"),    QStringLiteral("strong"), QStringLiteral("span"), QStringLiteral("font"),
            QStringLiteral("code"),  QStringLiteral("tt"),   QStringLiteral("kbd"),  QStringLiteral("small"),
            QStringLiteral("big"),   QStringLiteral("sub"),  QStringLiteral("sup")};
        if (!inLine.contains(name))
            out += QLatin1Char(' ');
    }
    return out.simplified();
}

QString TitleOfHtml(const QString& html)
{
    const qsizetype open = html.indexOf(QLatin1String("<title"), 0, Qt::CaseInsensitive);
    if (open < 0)
        return {};
    const qsizetype start = html.indexOf(QLatin1Char('>'), open);
    if (start < 0)
        return {};
    qsizetype end = html.indexOf(QLatin1String("</title"), start, Qt::CaseInsensitive);
    if (end < 0)
        end = std::min(html.size(), start + 1 + 200);
    return decodeReferences(html.mid(start + 1, end - start - 1)).simplified();
}

QString DecodeHtml(const QByteArray& bytes)
{
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (decoder.isValid()) {
        QString text = decoder.decode(bytes);
        if (!decoder.hasError())
            return text;
    }
    return decodeSitemap(bytes);
}

QStringList HelpSearchIndex::wordsOf(const QString& text)
{
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool inWord = i < text.size() && text[i].isLetterOrNumber();
        if (inWord && start < 0) {
            start = i;
        } else if (!inWord && start >= 0) {
            words.append(text.mid(start, i - start).toCaseFolded());
            start = -1;
        }
    }
    return words;
}

void HelpSearchIndex::add(const QString& path, const QString& title, const QString& text)
{
    const int page = static_cast<int>(m_pages.size());
    m_pages.append(Page{path, title});
    // A word of the title says more about the page than one in its text.
    constexpr int TitleWeight = 5;
    for (const QString& word : wordsOf(title))
        m_postings[word][page] += TitleWeight;
    for (const QString& word : wordsOf(text))
        m_postings[word][page] += 1;
}

void HelpSearchIndex::addPages(const ChmFile& file)
{
    const QStringList files = file.files();
    for (const QString& path : files) {
        if (!isPagePath(path))
            continue;
        const std::optional<QByteArray> bytes = file.read(path);
        if (!bytes)
            continue;
        const QString html = DecodeHtml(*bytes);
        const QString title = TitleOfHtml(html);
        add(path, title.isEmpty() ? path : title, TextOfHtml(html));
    }
}

QList<HelpSearchIndex::Hit> HelpSearchIndex::search(const QString& query) const
{
    QStringList words = wordsOf(query);
    words.removeDuplicates();
    if (words.isEmpty())
        return {};

    // Pages holding every word, scored by how often each word occurs there
    // and how rare it is among the pages.
    QHash<int, double> scores;
    bool first = true;
    const double pages = static_cast<double>(m_pages.size());
    for (const QString& word : std::as_const(words)) {
        const auto postings = m_postings.constFind(word);
        if (postings == m_postings.cend())
            return {};
        const double rarity = std::log(1.0 + pages / static_cast<double>(postings->size()));
        QHash<int, double> kept;
        for (auto it = postings->cbegin(); it != postings->cend(); ++it) {
            if (!first && !scores.contains(it.key()))
                continue;
            kept.insert(it.key(), scores.value(it.key()) + (1.0 + std::log(double(it.value()))) * rarity);
        }
        scores = std::move(kept);
        first = false;
    }

    QList<Hit> hits;
    for (auto it = scores.cbegin(); it != scores.cend(); ++it)
        hits.append(Hit{m_pages[it.key()].path, m_pages[it.key()].title, it.value()});
    std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) {
        if (a.score != b.score)
            return a.score > b.score;
        return a.title.localeAwareCompare(b.title) < 0;
    });
    return hits;
}

} // namespace lyrovan
