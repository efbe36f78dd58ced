#include "HelpTopics.h"

#include "ChmFile.h"

#include <QLoggingCategory>
#include <QStringDecoder>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lyrovan {

namespace {

Q_LOGGING_CATEGORY(lcTopics, "lyrovan.help", QtWarningMsg)

bool startsWithAt(const QString& text, qsizetype at, QLatin1String what)
{
    return QStringView(text).mid(at, what.size()).compare(what, Qt::CaseInsensitive) == 0;
}

// ---------------------------------------------------------------------------
// Character references in the contents and index.

// The named references of Latin-1, in the order of their characters from
// U+00A0 on.
constexpr const char* Latin1Names[] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// Named references: those of Latin-1 (letter case matters: &Eacute; is
// not &eacute;) and the usual punctuation.
const QHash<QString, QChar>& namedReferences()
{
    static const QHash<QString, QChar> named = [] {
        QHash<QString, QChar> table{
            {QStringLiteral("amp"), QLatin1Char('&')},     {QStringLiteral("lt"), QLatin1Char('<')},
            {QStringLiteral("gt"), QLatin1Char('>')},      {QStringLiteral("quot"), QLatin1Char('"')},
            {QStringLiteral("apos"), QLatin1Char('\'')},   {QStringLiteral("ndash"), QChar(0x2013)},
            {QStringLiteral("mdash"), QChar(0x2014)},      {QStringLiteral("lsquo"), QChar(0x2018)},
            {QStringLiteral("rsquo"), QChar(0x2019)},      {QStringLiteral("ldquo"), QChar(0x201c)},
            {QStringLiteral("rdquo"), QChar(0x201d)},      {QStringLiteral("hellip"), QChar(0x2026)},
            {QStringLiteral("bull"), QChar(0x2022)},       {QStringLiteral("euro"), QChar(0x20ac)},
            {QStringLiteral("trade"), QChar(0x2122)}};
        for (int i = 0; i < int(std::size(Latin1Names)); ++i)
            table.insert(QLatin1String(Latin1Names[i]), QChar(0xa0 + i));
        return table;
    }();
    return named;
}

// The reference starting at text[at] == '&': "&amp;", "&#233;", "&#xE9;"
// and the names above; anything else is kept as written. Returns the
// decoded text and how much of text it used. Looks no further than the
// longest reference, so that decoding a text is linear in its length.
std::pair<QString, qsizetype> characterReference(QStringView text, qsizetype at)
{
    constexpr qsizetype Longest = 10; // "&#x10FFFF;" and every name
    const qsizetype end = text.mid(at, Longest + 1).indexOf(QLatin1Char(';'));
    if (end < 2)
        return {QStringLiteral("&"), 1};
    const QStringView body = text.mid(at + 1, end - 1);
    if (body.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const bool hex = body.size() > 1 && (body[1] == QLatin1Char('x') || body[1] == QLatin1Char('X'));
        const uint code = body.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok)
            return {QStringLiteral("&"), 1};
        const bool valid = code > 0 && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
        const char32_t character = valid ? code : 0xfffd;
        return {QString::fromUcs4(&character, 1), end + 1};
    }
    const QHash<QString, QChar>& named = namedReferences();
    auto it = named.constFind(body.toString());
    if (it == named.cend())
        it = named.constFind(body.toString().toLower()); // "&AMP;" as browsers take it
    if (it == named.cend())
        return {QStringLiteral("&"), 1};
    return {QString(*it), end + 1};
}

QString decodeReferences(QStringView text)
{
    if (!text.contains(QLatin1Char('&')))
        return text.toString();
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

// ---------------------------------------------------------------------------
// The contents and the index.

// One tag of a sitemap: its name (lower case, "/ul" for a closing tag) and
// its attributes (names lower case, values decoded).
struct Tag {
    QString name;
    QHash<QString, QString> attributes;
};

bool isSpace(QChar c)
{
    return c.isSpace();
}

// Reads the tag starting at text[at] == '<'; returns the position after it.
// An unclosed tag runs to the end of the text. Every character is looked at
// a bounded number of times, whatever the quotes.
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
        QStringView value;
        if (i < size && text[i] == QLatin1Char('=')) {
            ++i;
            while (i < size && isSpace(text[i]))
                ++i;
            if (i < size && (text[i] == QLatin1Char('"') || text[i] == QLatin1Char('\''))) {
                const QChar quote = text[i++];
                // A quote left open ends with its tag: where a '>' is
                // followed by the next tag or the end of the text.
                qsizetype close = i;
                for (; close < size && text[close] != quote; ++close) {
                    if (text[close] != QLatin1Char('>'))
                        continue;
                    qsizetype after = close + 1;
                    while (after < size && isSpace(text[after]))
                        ++after;
                    if (after >= size || text[after] == QLatin1Char('<'))
                        break;
                }
                value = QStringView(text).mid(i, close - i);
                i = close < size && text[close] == quote ? close + 1 : close;
            } else {
                const qsizetype valueStart = i;
                while (i < size && !isSpace(text[i]) && text[i] != QLatin1Char('>'))
                    ++i;
                value = QStringView(text).mid(valueStart, i - valueStart);
            }
        }
        if (!key.isEmpty() && !tag.attributes.contains(key))
            tag.attributes.insert(key, decodeReferences(value.left(LongestSitemapText)));
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
    if (!data)
        return {};
    if (data->size() > LargestSitemap) {
        qCWarning(lcTopics, "%s: %lld bytes, too large to list", qUtf8Printable(name),
                  static_cast<long long>(data->size()));
        return {};
    }
    return ParseSitemap(*data);
}

bool isPagePath(const QString& path)
{
    return path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)
        || path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

// ---------------------------------------------------------------------------
// Reading tags as Qt's HTML reader does (QTextHtmlParser): a '<' always
// starts a tag, spaces may follow it, "<!--" runs to "-->", other "<!" to
// '>'; a name or attribute word is quoted ("...", '...') or runs to a space,
// '<', '=', '>' or "/>"; attributes follow only a space after the name; the
// tag then runs to the next '>', and a '/' on the way closes it at once.

bool isHtmlSpace(QChar c)
{
    return c.isSpace() && c != QChar::ParagraphSeparator;
}

struct HtmlTag {
    enum Kind { Open, Close, Declaration } kind = Declaration;
    QString name; // lower case
    bool closedAtOnce = false;
    qsizetype end = 0; // just past the tag
};

class TagReader {
public:
    explicit TagReader(const QString& html) : m_text(html), m_size(html.size()) {}

    // The tag whose '<' is at html[at].
    HtmlTag read(qsizetype at)
    {
        HtmlTag tag;
        m_at = at + 1;
        skipSpace();
        if (peek(QLatin1Char('!'))) {
            ++m_at;
            // Both readings of "<!-" Qt has had agree on "<!--"; anything
            // else ends at the '>', which never skips more than Qt does.
            if (peek(QLatin1Char('-')) && m_at + 1 < m_size && m_text[m_at + 1] == QLatin1Char('-')) {
                const qsizetype end = m_text.indexOf(QLatin1String("-->"), m_at + 2);
                tag.end = end < 0 ? m_size : end + 3;
            } else {
                tag.end = afterNext(QLatin1Char('>'));
            }
            return tag;
        }
        if (peek(QLatin1Char('/'))) {
            ++m_at;
            tag.kind = HtmlTag::Close;
            tag.name = word().trimmed().toLower();
            tag.end = afterNext(QLatin1Char('>'));
            return tag;
        }
        tag.kind = HtmlTag::Open;
        tag.name = word().toLower();
        if (m_at < m_size && m_text[m_at].isSpace())
            attributes();
        for (; m_at < m_size && m_text[m_at] != QLatin1Char('>'); ++m_at)
            tag.closedAtOnce = tag.closedAtOnce || m_text[m_at] == QLatin1Char('/');
        tag.end = std::min(m_at + 1, m_size);
        return tag;
    }

private:
    bool peek(QChar c) const { return m_at < m_size && m_text[m_at] == c; }

    void skipSpace()
    {
        while (m_at < m_size && isHtmlSpace(m_text[m_at]))
            ++m_at;
    }

    qsizetype afterNext(QChar c)
    {
        const qsizetype found = m_text.indexOf(c, m_at);
        return found < 0 ? m_size : found + 1;
    }

    // A word; references in it decoded as far as names need them.
    QString word()
    {
        qsizetype start = m_at;
        qsizetype end = m_at;
        if (peek(QLatin1Char('"'))) {
            start = ++m_at;
            end = m_text.indexOf(QLatin1Char('"'), m_at);
            end = end < 0 ? m_size : end;
            m_at = std::min(end + 1, m_size);
        } else if (peek(QLatin1Char('\''))) {
            start = ++m_at;
            end = m_at;
            // A quote after a backslash does not end it.
            while (end < m_size
                   && !(m_text[end] == QLatin1Char('\'') && m_text[end - 1] != QLatin1Char('\\')))
                ++end;
            m_at = std::min(end + 1, m_size);
            return m_text.mid(start, end - start);
        } else {
            for (; end < m_size; ++end) {
                const QChar c = m_text[end];
                if (c == QLatin1Char('>') || c == QLatin1Char('<') || c == QLatin1Char('=') || c.isSpace()
                    || (c == QLatin1Char('/') && end + 1 < m_size && m_text[end + 1] == QLatin1Char('>')))
                    break;
            }
            m_at = end;
        }
        return decodeReferences(QStringView(m_text).mid(start, end - start));
    }

    void attributes()
    {
        while (m_at < m_size) {
            skipSpace();
            if (peek(QLatin1Char('>')) || peek(QLatin1Char('/')))
                return;
            if (word().isEmpty())
                return;
            skipSpace();
            if (peek(QLatin1Char('='))) {
                ++m_at;
                skipSpace();
                word();
            }
        }
    }

    const QString& m_text;
    const qsizetype m_size;
    qsizetype m_at = 0;
};

bool isOneOf(const QString& name, std::initializer_list<const char*> names)
{
    for (const char* candidate : names) {
        if (name == QLatin1String(candidate))
            return true;
    }
    return false;
}

// Elements Qt closes as soon as it opens them.
bool isEmptyElement(const QString& name)
{
    return isOneOf(name, {"img", "hr", "br", "meta"});
}

bool isInline(const QString& name)
{
    return isOneOf(name, {"a", "abbr", "acronym", "b", "big", "cite", "code", "dfn", "em", "font", "i", "kbd",
                          "q", "s", "samp", "small", "span", "strike", "strong", "sub", "sup", "tt", "u", "var"});
}

bool isTablePart(const QString& name)
{
    return isOneOf(name, {"tr", "td", "th", "thead", "tbody", "tfoot", "caption", "colgroup", "col"});
}

// Text in these is not shown as text: no line breaks go in.
bool holdsNoText(const QString& name)
{
    return isOneOf(name, {"style", "script", "title"});
}

class HtmlBounder {
public:
    explicit HtmlBounder(const QString& html) : m_html(html), m_reader(html)
    {
        m_out.reserve(html.size() + html.size() / 64 + 64);
    }

    QString run()
    {
        const qsizetype size = m_html.size();
        for (qsizetype i = 0; i < size;) {
            if (m_html[i] == QLatin1Char('<')) {
                const HtmlTag tag = m_reader.read(i);
                const QStringView text = QStringView(m_html).mid(i, tag.end - i);
                // A block starts a line of its own: a run of text ends.
                if (!isInline(tag.name))
                    m_run = 0;
                if (tag.kind == HtmlTag::Open && !tag.name.isEmpty())
                    open(tag, i, text);
                else if (tag.kind == HtmlTag::Close)
                    close(tag.name);
                else
                    m_out += text; // declarations, and a tag without a name, which Qt nests nothing in
                i = tag.end;
            } else {
                i = copyText(i);
            }
        }
        closeTo(0);
        return m_out;
    }

private:
    using Limits = PageLimits;

    struct Element {
        QString name;
        qsizetype tagStart;
        qsizetype tagLength;
        int children = 0; // list items of a list, rows of a table
        bool implied = false; // made by Qt for a cell or row outside a table
    };

    // Copies text up to the next tag, with a place to break a line in every
    // long run without one; a reference is never cut.
    qsizetype copyText(qsizetype i)
    {
        const qsizetype size = m_html.size();
        const bool breaks = m_noText == 0;
        while (i < size && m_html[i] != QLatin1Char('<')) {
            const QChar c = m_html[i];
            qsizetype length = 1;
            if (c == QLatin1Char('&')) {
                // As Qt reads a reference: a ';' within nine characters, no
                // space before it; and no '<', which Qt reads as a tag again
                // when the reference means nothing.
                for (qsizetype at = i + 1; at < std::min(size, i + 10) && !m_html[at].isSpace()
                     && m_html[at] != QLatin1Char('<');
                     ++at) {
                    if (m_html[at] == QLatin1Char(';')) {
                        length = at - i + 1;
                        break;
                    }
                }
            }
            if (m_tables > 0 && breaks)
                addTableWork(1);
            if (c.isSpace()) {
                m_run = 0;
            } else if (breaks && ++m_run > Limits::LongestRun) {
                m_out += QChar(0x200b); // zero width space
                m_run = 1;
            }
            m_out += QStringView(m_html).mid(i, length);
            i += length;
        }
        return i;
    }

    // Counts work for Qt's table layout (see PageLimits::MostTableWork) at
    // the tables open now; past the most, closes them all, and no table
    // opens again.
    void addTableWork(qint64 units)
    {
        m_tableWork += units << (m_tables - 1);
        if (m_tableWork <= Limits::MostTableWork)
            return;
        for (qsizetype at = find({"table"}); at >= 0; at = find({"table"}))
            closeTo(at);
        m_noMoreTables = true;
    }

    // The topmost open element called one of names, searching no deeper
    // than one called one of stops; -1 if none.
    qsizetype find(std::initializer_list<const char*> names, std::initializer_list<const char*> stops = {}) const
    {
        for (qsizetype at = qsizetype(m_open.size()) - 1; at >= 0; --at) {
            if (isOneOf(m_open[at].name, names))
                return at;
            if (isOneOf(m_open[at].name, stops))
                return -1;
        }
        return -1;
    }

    qsizetype findName(const QString& name) const
    {
        for (qsizetype at = qsizetype(m_open.size()) - 1; at >= 0; --at) {
            if (m_open[at].name == name)
                return at;
        }
        return -1;
    }

    // Closes the open elements from the top down to and with the one at
    // index, each with an end tag of its own.
    void closeTo(qsizetype index)
    {
        while (qsizetype(m_open.size()) > index) {
            const Element& element = m_open.back();
            m_out += QLatin1String("</") + element.name + QLatin1Char('>');
            m_tables -= element.name == QLatin1String("table");
            m_noText -= holdsNoText(element.name);
            m_open.pop_back();
        }
    }

    void push(const Element& element)
    {
        m_open.push_back(element);
        m_tables += element.name == QLatin1String("table");
        m_noText += holdsNoText(element.name);
    }

    // What HTML closes when name opens, closed here explicitly.
    void closeImplied(const QString& name)
    {
        qsizetype at = -1;
        if (name == QLatin1String("li"))
            at = find({"li"}, {"ul", "ol", "table", "td", "th"});
        else if (name == QLatin1String("dt") || name == QLatin1String("dd"))
            at = find({"dt", "dd"}, {"dl", "table", "td", "th"});
        else if (name == QLatin1String("td") || name == QLatin1String("th"))
            at = find({"td", "th"}, {"tr", "table"});
        else if (name == QLatin1String("tr"))
            at = find({"tr"}, {"table"});
        else if (isOneOf(name, {"thead", "tbody", "tfoot"}))
            at = find({"thead", "tbody", "tfoot"}, {"table"});
        else if (name == QLatin1String("a"))
            at = findName(name);
        if (at >= 0) {
            closeTo(at);
            return;
        }
        // A paragraph holds no block: one open past inline elements ends.
        if (isInline(name))
            return;
        at = qsizetype(m_open.size()) - 1;
        while (at >= 0 && isInline(m_open[at].name))
            --at;
        if (at >= 0 && m_open[at].name == QLatin1String("p"))
            closeTo(at);
    }

    // Ends the list or table at index and starts another like it, when it
    // has as many items or rows as Qt handles quickly.
    void splitIfFull(qsizetype index, int most)
    {
        if (index < 0 || m_open[index].implied || m_open[index].children < most)
            return;
        const Element again{m_open[index].name, m_open[index].tagStart, m_open[index].tagLength};
        closeTo(index);
        // A long start tag is not repeated: its attributes go.
        constexpr qsizetype LongestRepeated = 256;
        if (again.tagLength <= LongestRepeated)
            m_out += QStringView(m_html).mid(again.tagStart, again.tagLength);
        else
            m_out += QLatin1Char('<') + again.name + QLatin1Char('>');
        push(again);
    }

    void open(const HtmlTag& tag, qsizetype start, QStringView text)
    {
        const QString& name = tag.name;
        // Inside a table flattened for being nested too deep, its parts go;
        // after tables were cut, every table goes.
        if ((m_flattenedTables > 0 || m_noMoreTables) && isTablePart(name))
            return;
        if (m_noMoreTables && name == QLatin1String("table"))
            return;
        closeImplied(name);

        if (name == QLatin1String("li"))
            splitIfFull(find({"ul", "ol"}, {"table"}), Limits::MostListItems);
        else if (name == QLatin1String("tr"))
            splitIfFull(findName(QStringLiteral("table")), Limits::MostTableRows);

        // Qt puts a cell outside a row into a table and row of its own, and
        // a row outside a table into a table.
        const bool cell = name == QLatin1String("td") || name == QLatin1String("th");
        const bool impliedRow = cell && findName(QStringLiteral("tr")) < 0;
        const bool impliedTable =
            impliedRow || (name == QLatin1String("tr") && findName(QStringLiteral("table")) < 0);
        const bool table = name == QLatin1String("table") || impliedTable;
        const bool stays = !tag.closedAtOnce && !isEmptyElement(name);
        const qsizetype depth = qsizetype(m_open.size()) + impliedTable + impliedRow + (stays ? 1 : 0);
        const bool block = stays && !isInline(name);
        if (depth > Limits::DeepestNesting || (table && m_tables >= Limits::DeepestTables)
            || (block && m_blocks >= Limits::MostBlocks)) {
            // Flattened: the tag goes, what it holds stays.
            if (name == QLatin1String("table"))
                ++m_flattenedTables;
            else if (stays)
                ++m_dropped[name];
            return;
        }
        if (impliedTable)
            push(Element{QStringLiteral("table"), start, 0, 0, true});
        if (impliedRow)
            push(Element{QStringLiteral("tr"), start, 0, 0, true});
        if (name == QLatin1String("li") || name == QLatin1String("tr")) {
            const qsizetype parent =
                name == QLatin1String("li") ? find({"ul", "ol"}, {"table"}) : findName(QStringLiteral("table"));
            if (parent >= 0)
                ++m_open[parent].children;
        }
        m_out += text;
        if (stays)
            push(Element{name, start, text.size()});
        m_blocks += block;
        if (m_tables > 0)
            addTableWork(ElementWork);
    }

    void close(const QString& name)
    {
        if (name.isEmpty())
            return;
        if (m_noMoreTables && (name == QLatin1String("table") || isTablePart(name)))
            return;
        if (name == QLatin1String("table") && m_flattenedTables > 0) {
            --m_flattenedTables;
            return;
        }
        if (m_flattenedTables > 0 && isTablePart(name))
            return;
        if (auto dropped = m_dropped.find(name); dropped != m_dropped.end() && *dropped > 0) {
            --*dropped;
            return;
        }
        // An end tag without its start tag goes, as Qt would ignore it.
        if (const qsizetype at = findName(name); at >= 0)
            closeTo(at);
    }

    const QString& m_html;
    TagReader m_reader;
    QString m_out;
    std::vector<Element> m_open;
    QHash<QString, int> m_dropped; // start tags dropped whose end tags are still to come
    int m_flattenedTables = 0;
    int m_tables = 0;
    int m_blocks = 0;
    int m_noText = 0;
    int m_run = 0;
    static constexpr qint64 ElementWork = 64;
    qint64 m_tableWork = 0;
    bool m_noMoreTables = false;
};

// A document that loads nothing a page refers to: style sheets, pictures
// and backgrounds are not needed for its text, and must not be read from
// anywhere on a worker.
class TextOnlyDocument final : public QTextDocument {
public:
    QVariant loadResource(int, const QUrl&) override { return QByteArray(); }
};

// A word case folded and without accents: "Café" -> "cafe".
QString searchForm(QStringView word)
{
    QString folded = word.toString().toCaseFolded();
    bool plain = true;
    for (QChar c : std::as_const(folded))
        plain = plain && c.unicode() < 0x80;
    if (plain)
        return folded;
    QString decomposed = folded.normalized(QString::NormalizationForm_D);
    decomposed.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return decomposed.normalized(QString::NormalizationForm_C);
}

bool hasVowel(QStringView text)
{
    for (QChar c : text) {
        if (QStringView(u"aeiouy").contains(c))
            return true;
    }
    return false;
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
    for (qsizetype i = 0; i < text.size() && entries.size() < MostSitemapEntries;) {
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
    if (entries.size() < MostSitemapEntries)
        finishObject();
    else
        qCWarning(lcTopics, "more than %d entries in a contents or index file; the rest are left out",
                  MostSitemapEntries);
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

QString BoundedHtml(const QString& html)
{
    return HtmlBounder(html).run();
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

PageText TextOfPage(const QString& html)
{
    TextOnlyDocument document;
    document.setHtml(BoundedHtml(html));
    return {document.metaInformation(QTextDocument::DocumentTitle).simplified(),
            document.toPlainText().simplified()};
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
            words.append(searchForm(QStringView(text).mid(start, i - start)));
            start = -1;
        }
    }
    return words;
}

QString HelpSearchIndex::stemOf(const QString& word)
{
    // What is left must be three letters or more with a vowel: "sing" and
    // "string" keep their "ing", "need" its "ed".
    const auto without = [&word](qsizetype ending) {
        const QStringView rest = QStringView(word).chopped(ending);
        return rest.size() >= 3 && hasVowel(rest) ? rest.toString() : QString();
    };
    QString stem;
    if (word.endsWith(QLatin1String("ing")))
        stem = without(3);
    else if (word.endsWith(QLatin1String("ed")))
        stem = without(2);
    if (!stem.isEmpty()) {
        // "strumm" -> "strum", but "fill" and "pass" stay.
        const qsizetype n = stem.size();
        if (stem[n - 1] == stem[n - 2] && !hasVowel(stem.right(1)) && !QStringView(u"lsz").contains(stem[n - 1]))
            stem.chop(1);
        return stem;
    }
    if (word.endsWith(QLatin1String("ies")) && word.size() > 4)
        return word.chopped(3) + QLatin1Char('y');
    if (word.endsWith(QLatin1Char('s')) && !word.endsWith(QLatin1String("ss")) && !word.endsWith(QLatin1String("us"))
        && !word.endsWith(QLatin1String("is")) && word.size() > 3)
        return word.chopped(1);
    return word;
}

void HelpSearchIndex::add(const QString& path, const QString& title, const QString& text)
{
    const int page = static_cast<int>(m_pages.size());
    m_pages.append(Page{path, title});
    // A word of the title says more about the page than one in its text.
    constexpr int TitleWeight = 5;
    const auto index = [this, page](const QString& word, int weight, bool fromTitle) {
        auto it = m_postings.find(word);
        if (it == m_postings.end()) {
            it = m_postings.insert(word, Postings{});
            m_sortedStale = true;
        }
        it->count[page] += weight;
        if (fromTitle)
            it->inTitle[page] = true;
    };
    for (const QString& word : wordsOf(title))
        index(word, TitleWeight, true);
    for (const QString& word : wordsOf(text))
        index(word, 1, false);
}

void HelpSearchIndex::addPages(const ChmFile& file, const std::atomic<bool>* cancel)
{
    const QStringList files = file.files();
    for (const QString& path : files) {
        if (cancel && cancel->load())
            return;
        if (!isPagePath(path))
            continue;
        const std::optional<QByteArray> bytes = file.read(path);
        if (!bytes || bytes->size() > PageLimits::LargestPage)
            continue;
        const PageText page = TextOfPage(DecodeHtml(*bytes));
        add(path, page.title.isEmpty() ? path : page.title, page.text);
    }
}

QList<HelpSearchIndex::Hit> HelpSearchIndex::search(const QString& query) const
{
    QStringList words = wordsOf(query);
    words.removeDuplicates();
    if (words.isEmpty())
        return {};
    if (m_sortedStale) {
        m_sorted = m_postings.keys();
        std::sort(m_sorted.begin(), m_sorted.end());
        m_sortedStale = false;
    }

    // Per page: the score so far, how many query words it holds, and how
    // many of them its title holds.
    struct Found {
        double score = 0;
        int words = 0;
        int inTitle = 0;
    };
    QHash<int, Found> found;
    const double pages = static_cast<double>(m_pages.size());
    for (const QString& word : std::as_const(words)) {
        // Every indexed word that starts with the stem: the word as typed,
        // longer words it begins, and its family.
        const QString stem = stemOf(word);
        QHash<int, double> weight; // page -> occurrences, the word as typed counting double
        QSet<int> titled;
        for (auto it = std::lower_bound(m_sorted.cbegin(), m_sorted.cend(), stem);
             it != m_sorted.cend() && it->startsWith(stem); ++it) {
            const Postings& postings = *m_postings.constFind(*it);
            const double factor = *it == word ? 2.0 : 1.0;
            for (auto count = postings.count.cbegin(); count != postings.count.cend(); ++count)
                weight[count.key()] += factor * count.value();
            for (auto title = postings.inTitle.cbegin(); title != postings.inTitle.cend(); ++title)
                titled.insert(title.key());
        }
        if (weight.isEmpty())
            return {};
        const double rarity = std::log(1.0 + pages / static_cast<double>(weight.size()));
        for (auto it = weight.cbegin(); it != weight.cend(); ++it) {
            Found& page = found[it.key()];
            page.score += (1.0 + std::log(it.value())) * rarity;
            ++page.words;
            page.inTitle += titled.contains(it.key());
        }
    }

    struct Ranked {
        Hit hit;
        int inTitle;
    };
    std::vector<Ranked> ranked;
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        if (it->words == words.size())
            ranked.push_back({Hit{m_pages[it.key()].path, m_pages[it.key()].title, it->score}, it->inTitle});
    }
    std::sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        if (a.inTitle != b.inTitle)
            return a.inTitle > b.inTitle;
        if (a.hit.score != b.hit.score)
            return a.hit.score > b.hit.score;
        return a.hit.title.localeAwareCompare(b.hit.title) < 0;
    });
    QList<Hit> hits;
    hits.reserve(qsizetype(ranked.size()));
    for (Ranked& entry : ranked)
        hits.append(std::move(entry.hit));
    return hits;
}

} // namespace lyrovan
