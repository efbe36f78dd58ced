#pragma once
// Damaged and hostile help files for the tests and the benchmark, written
// here rather than stored: a small writer of help files whose files are all
// stored as they are (so no compressor is needed), with its directory laid
// out or broken as asked, and one file of each class that once froze,
// crashed or exhausted the program.

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>

#include <sys/stat.h>

namespace lyrovan::test {

struct HelpFileLayout {
    QList<QPair<QString, QByteArray>> files; // "/index.html" and its bytes
    // How the directory's links loop, if they do: the listing chain from its
    // last chunk back to the first, a listing chunk naming itself as the
    // next, or an index chunk naming itself.
    enum class Loop { None, ChainBack, ChainToItself, IndexToItself } loop = Loop::None;
    // A file said to be packed, with none of what unpacking needs listed:
    // what makes libmspack search the directory.
    bool packedWithoutUnpacking = false;
};

namespace help_file {

inline void put32(QByteArray& out, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((value >> (8 * i)) & 0xff);
}

inline QByteArray le32(quint32 value)
{
    QByteArray out(4, '\0');
    put32(out, 0, value);
    return out;
}

inline QByteArray le64(quint64 value)
{
    return le32(quint32(value)) + le32(quint32(value >> 32));
}

// A directory number: 7 bits a byte, the high bit on all but the last.
inline QByteArray encoded(quint64 value)
{
    QByteArray out(1, char(value & 0x7f));
    while (value >>= 7)
        out.prepend(char(0x80 | (value & 0x7f)));
    return out;
}

inline QByteArray guid(uchar first)
{
    return char(first) + QByteArray::fromHex("fd017caa7bd0119e0c00a0c922e6ec");
}

constexpr int ChunkSize = 4096;

// A listing (PMGL) or index (PMGI) chunk holding entries.
inline QByteArray chunk(bool listing, const QByteArray& entries, int count, quint32 previous, quint32 next)
{
    QByteArray out(ChunkSize, '\0');
    const qsizetype entriesAt = listing ? 0x14 : 0x08;
    out.replace(0, 4, listing ? "PMGL" : "PMGI");
    put32(out, 4, quint32(ChunkSize - entriesAt - entries.size()));
    if (listing) {
        put32(out, 0x0c, previous);
        put32(out, 0x10, next);
    }
    out.replace(entriesAt, entries.size(), entries);
    out[ChunkSize - 2] = char(count & 0xff);
    out[ChunkSize - 1] = char(count >> 8);
    return out;
}

} // namespace help_file

// The bytes of a help file (version 3) holding layout.files, all stored.
inline QByteArray WriteHelpFile(const HelpFileLayout& layout)
{
    using namespace help_file;
    using Loop = HelpFileLayout::Loop;
    // The listing entries, in two chunks when the directory is to loop back,
    // so that the loop leads to an earlier chunk.
    QByteArray content;
    QList<QByteArray> entries;
    for (const auto& [path, bytes] : layout.files) {
        const QByteArray name = path.toUtf8();
        entries.append(encoded(quint64(name.size())) + name + encoded(0) + encoded(quint64(content.size()))
                       + encoded(quint64(bytes.size())));
        content += bytes;
    }
    if (layout.packedWithoutUnpacking)
        entries.append(encoded(12) + QByteArray("/packed.html") + encoded(1) + encoded(0) + encoded(64));
    const int listings = layout.loop == Loop::ChainBack ? 2 : 1;
    QByteArray chunks;
    const qsizetype perChunk = (entries.size() + listings - 1) / listings;
    for (int c = 0; c < listings; ++c) {
        const QList<QByteArray> mine = entries.mid(c * perChunk, perChunk);
        const quint32 next = layout.loop == Loop::ChainToItself ? quint32(c)
            : c + 1 < listings                                   ? quint32(c + 1)
            : layout.loop == Loop::ChainBack                     ? 0u
                                                                 : 0xffffffffu;
        chunks += chunk(true, mine.join(), int(mine.size()), c == 0 ? 0xffffffffu : quint32(c - 1), next);
    }
    quint32 indexRoot = 0xffffffffu;
    if (layout.loop == Loop::IndexToItself) {
        indexRoot = quint32(listings);
        chunks += chunk(false, encoded(1) + QByteArray("/") + encoded(indexRoot), 1, 0, 0);
    }
    const quint32 chunkCount = quint32(chunks.size() / ChunkSize);

    constexpr quint64 HeaderSize = 0x60;
    constexpr quint64 SectionZeroSize = 0x18;
    constexpr quint64 DirectoryHeaderSize = 0x54;
    const quint64 directoryAt = HeaderSize + SectionZeroSize;
    const quint64 contentAt = directoryAt + DirectoryHeaderSize + quint64(chunks.size());
    const quint64 fileSize = contentAt + quint64(content.size());

    QByteArray out = "ITSF" + le32(3) + le32(quint32(HeaderSize)) + le32(1) + le32(0) + le32(0x409) + guid(0x10)
        + guid(0x11) + le64(HeaderSize) + le64(SectionZeroSize) + le64(directoryAt)
        + le64(DirectoryHeaderSize + quint64(chunks.size())) + le64(contentAt);
    out += le32(0x1fe) + le32(0) + le64(fileSize) + le64(0);
    out += "ITSP" + le32(1) + le32(quint32(DirectoryHeaderSize)) + le32(10) + le32(ChunkSize) + le32(2)
        + le32(indexRoot == 0xffffffffu ? 1 : 2) + le32(indexRoot) + le32(0) + le32(quint32(listings - 1))
        + le32(0xffffffffu) + le32(chunkCount) + le32(0x409) + QByteArray(16, '\0')
        + le32(quint32(DirectoryHeaderSize)) + le32(0xffffffffu) + le32(0xffffffffu) + le32(0xffffffffu);
    return out + chunks + content;
}

// One file of a class of damaged or hostile help files.
struct HostileHelpFile {
    const char* name;
    QByteArray bytes;
    bool window; // the window shows it; else one box says why not
};

// Every class, its references outside the help file pointing into folder
// (a FIFO, a style sheet and a picture all of OutsideColour are made there).
// The most memory the process has held since the last reset, in bytes;
// resetting sets it to what it holds now (where the kernel allows it).
inline qint64 peakMemory(bool reset = false)
{
    if (reset) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
    }
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return 0;
}

inline const QColor OutsideColour(0x12, 0x34, 0x56);

inline QList<HostileHelpFile> HostileHelpFiles(const QString& folder)
{
    using Loop = HelpFileLayout::Loop;
    const auto page = [](const QByteArray& body, const QByteArray& head = {}) {
        return "<html><head><title>Hostile</title>" + head + "</head><body><p>Text.</p>" + body + "</body></html>";
    };
    const auto file = [](const QByteArray& first, QList<QPair<QString, QByteArray>> more = {}) {
        HelpFileLayout layout;
        layout.files = {{QStringLiteral("/index.html"), first}};
        layout.files += more;
        return WriteHelpFile(layout);
    };
    // But for the loop, a readable file: its first page is stored.
    const auto looping = [&page](Loop loop) {
        HelpFileLayout layout;
        layout.loop = loop;
        layout.packedWithoutUnpacking = true;
        layout.files.append({QStringLiteral("/index.html"), page("The first page.")});
        for (int i = 0; i < 3; ++i)
            layout.files.append({QStringLiteral("/page%1.html").arg(i), page("A page.")});
        return WriteHelpFile(layout);
    };

    const QByteArray fifo = QFile::encodeName(folder + QStringLiteral("/fifo"));
    ::mkfifo(fifo.constData(), 0600);
    const QByteArray sheet = QFile::encodeName(folder + QStringLiteral("/outside.css"));
    QFile css(QString::fromLocal8Bit(sheet));
    if (css.open(QIODevice::WriteOnly))
        css.write("body { background-color: #123456; }");
    const QByteArray picture = QFile::encodeName(folder + QStringLiteral("/outside.png"));
    QImage square(64, 64, QImage::Format_RGB32);
    square.fill(OutsideColour);
    square.save(QString::fromLocal8Bit(picture));
    const auto link = [](const QByteArray& href) {
        return "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + href + "\">";
    };

    QByteArray index;
    QByteArray contents = "<UL>";
    for (int i = 0; i < 200000; ++i) {
        const QByteArray number = QByteArray::number(i);
        index += "<OBJECT><param name=Name value=k" + number + "><param name=Local value=index.html></OBJECT>";
        // Pages the file does not hold: none is the page shown.
        contents += "<OBJECT><param name=Name value=c" + number + "><param name=Local value=p" + number + ".html></OBJECT>";
    }
    return {
        {"directory chain loops back, nothing to unpack with", looping(Loop::ChainBack), false},
        {"directory chunk names itself next, nothing to unpack with", looping(Loop::ChainToItself), false},
        {"directory index chunk names itself, nothing to unpack with", looping(Loop::IndexToItself), false},
        {"pictures and style sheets from /dev/zero",
         file(page("<img src=\"file:///dev/zero\"><img src=\"/dev/zero\">",
                   link("file:///dev/zero") + link("/dev/zero"))),
         true},
        {"pictures and style sheets from a FIFO",
         file(page("<img src=\"file://" + fifo + "\"><img src=\"" + fifo + "\">", link("file://" + fifo) + link(fifo))),
         true},
        {"style sheets and pictures from files outside",
         file(page("<img src=\"file://" + picture + "\"><img src=\"" + picture + "\"><img src=\"../../.." + picture
                       + "\"><img src=\"/etc/passwd\">",
                   link("file://" + sheet) + link(sheet))),
         true},
        {"3,000 nested tables", file(page(QByteArray("<table><tr><td>").repeated(3000) + "deep")), true},
        {"3,000 nested tables, each inside what looks like a reference",
         file(page(QByteArray("&<table>;&<tr>;&<td>;").repeated(3000) + "deep")), true},
        {"8 nested tables around 120,000 characters of text",
         file(page(QByteArray("<table><tr><td>").repeated(8) + QByteArray("word ").repeated(24000))), true},
        {"25,000 nested div", file(page(QByteArray("<div>").repeated(25000) + "deep")), true},
        {"30,000 nested ul", file(page(QByteArray("<ul>").repeated(30000) + "deep")), true},
        {"100,000 nested div, over the page limit", file(page(QByteArray("<div>").repeated(100000))), false},
        {"contents name of 300,000 &",
         file(page("Start"), {{QStringLiteral("/toc.hhc"), "<UL><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\""
                                                                + QByteArray(300000, '&') + "\"><param name=\"Local\" value=\"index.html\"></OBJECT></UL>"}}),
         true},
        {"page of 120,000 & without a space", file(page(QByteArray(120000, '&'))), true},
        {"25,000 list items", file(page("<ul>" + QByteArray("<li>x").repeated(25000))), true},
        {"14,000 table rows", file(page("<table>" + QByteArray("<tr><td>x").repeated(14000))), true},
        {"200,000 index entries", file(page("Start"), {{QStringLiteral("/index.hhk"), index}}), true},
        {"200,000 contents entries", file(page("Start"), {{QStringLiteral("/toc.hhc"), contents}}), true},
        {"30 MB page", file(page(QByteArray(30 * 1024 * 1024, 'x'))), false},
    };
}

} // namespace lyrovan::test
