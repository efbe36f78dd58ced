#include "ChmFile.h"

#include "HelpTopics.h"
#include "errors/RegularFile.h"

#include <mspack.h>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QSet>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace lyrovan {

namespace {

Q_LOGGING_CATEGORY(lcHelp, "lyrovan.help", QtWarningMsg)

// #SYSTEM entries used here.
constexpr int SystemContentsFile = 0;
constexpr int SystemIndexFile = 1;
constexpr int SystemDefaultTopic = 2;
constexpr int SystemTitle = 3;

// Memory libmspack may hold at once while reading one file (its directory
// entries, the LZX window of up to 2 MiB and its tables).
constexpr qint64 DecompressorMemory = 64ll * 1024 * 1024;

// A topic reference without its "#anchor": "page.html#top" -> "page.html".
QString withoutAnchor(const QString& topic)
{
    const qsizetype hash = topic.indexOf(QLatin1Char('#'));
    return hash < 0 ? topic : topic.left(hash);
}

// A zero-terminated string from a #SYSTEM value (the terminator is optional).
QString systemString(const QByteArray& value)
{
    const qsizetype end = value.indexOf('\0');
    return QString::fromUtf8(end < 0 ? value : value.left(end)).trimmed();
}

// The key a path is looked up by: letter case does not matter in help files.
QString lookupKey(const QString& normalized)
{
    return normalized.toCaseFolded();
}

// ---------------------------------------------------------------------------
// The mspack_system libmspack reads through: the help file's bytes in memory
// as its only input, numbered memory buffers as its outputs, and its memory
// from a budget. Every call fails once the time limit or the read budget is
// spent, so no damage in the file can keep the decompressor busy for long.

struct MemorySystem {
    mspack_system sys;

    const QByteArray* input = nullptr;
    std::vector<QByteArray> outputs;
    std::vector<qint64> outputLimits; // a file holds no more than its length says

    QDeadlineTimer deadline;
    qint64 readLeft = 0;   // bytes the decompressor may still read
    qint64 memoryLeft = 0; // bytes it may still allocate
    bool spent = false;    // time or read budget ran out: everything fails

    bool stopped()
    {
        if (!spent && deadline.hasExpired()) {
            qCWarning(lcHelp, "reading the help file took too long; giving up");
            spent = true;
        }
        return spent;
    }
};

// The system of the load() running on this thread. libmspack passes open()
// and alloc() a copy of the mspack_system it was given, not the original, so
// the system is found through this rather than through the pointer passed.
thread_local MemorySystem* t_loading = nullptr;

// What open() hands out: the input (output < 0) or one output buffer.
struct Handle {
    MemorySystem* owner;
    int output;
    qint64 position;
};

Handle* handle(mspack_file* file)
{
    return reinterpret_cast<Handle*>(file);
}

mspack_file* sysOpen(mspack_system*, const char* name, int mode)
{
    MemorySystem* system = t_loading;
    if (!system || system->stopped() || !name)
        return nullptr;
    int output = -1;
    if (mode == MSPACK_SYS_OPEN_WRITE) {
        // Outputs are named by their number.
        char* end = nullptr;
        const long number = std::strtol(name, &end, 10);
        if (end == name || *end != '\0' || number < 0
            || number >= static_cast<long>(system->outputs.size()))
            return nullptr;
        output = static_cast<int>(number);
        system->outputs[output].clear();
    } else if (mode != MSPACK_SYS_OPEN_READ) {
        return nullptr;
    }
    return reinterpret_cast<mspack_file*>(new (std::nothrow) Handle{system, output, 0});
}

void sysClose(mspack_file* file)
{
    delete handle(file);
}

int sysRead(mspack_file* file, void* buffer, int bytes)
{
    Handle* h = handle(file);
    MemorySystem* system = h->owner;
    if (h->output >= 0 || bytes < 0 || system->stopped())
        return -1;
    const qint64 available = system->input->size() - h->position;
    const int count = static_cast<int>(std::min<qint64>(bytes, available));
    system->readLeft -= count;
    if (system->readLeft < 0) {
        qCWarning(lcHelp, "reading the help file went on far too long; giving up");
        system->spent = true;
        return -1;
    }
    if (count > 0)
        std::memcpy(buffer, system->input->constData() + h->position, static_cast<size_t>(count));
    h->position += count;
    return count;
}

int sysWrite(mspack_file* file, void* buffer, int bytes)
{
    Handle* h = handle(file);
    MemorySystem* system = h->owner;
    if (h->output < 0 || bytes < 0 || system->stopped())
        return -1;
    QByteArray& out = system->outputs[h->output];
    if (bytes > system->outputLimits[h->output] - out.size())
        return -1; // more than the directory said the file holds
    out.append(static_cast<const char*>(buffer), bytes);
    return bytes;
}

int sysSeek(mspack_file* file, off_t offset, int mode)
{
    Handle* h = handle(file);
    MemorySystem* system = h->owner;
    if (h->output >= 0 || system->stopped())
        return -1;
    const qint64 size = system->input->size();
    qint64 base = 0;
    switch (mode) {
    case MSPACK_SYS_SEEK_START: base = 0; break;
    case MSPACK_SYS_SEEK_CUR: base = h->position; break;
    case MSPACK_SYS_SEEK_END: base = size; break;
    default: return -1;
    }
    // Only places inside the file: anything else is a damaged offset.
    if (offset < -base || offset > size - base)
        return -1;
    h->position = base + offset;
    return 0;
}

off_t sysTell(mspack_file* file)
{
    return static_cast<off_t>(handle(file)->position);
}

void sysMessage(mspack_file*, const char* format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    qCWarning(lcHelp, "help file: %s", text);
}

// Each block remembers its owner and size, so that freeing it (which libmspack
// does without naming the system) returns it to the right budget.
struct alignas(std::max_align_t) BlockHeader {
    MemorySystem* owner;
    size_t size;
};

void* sysAlloc(mspack_system*, size_t bytes)
{
    MemorySystem* system = t_loading;
    if (!system || bytes > static_cast<size_t>(std::max<qint64>(system->memoryLeft, 0)))
        return nullptr;
    auto* block = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + bytes));
    if (!block)
        return nullptr;
    block->owner = system;
    block->size = bytes;
    system->memoryLeft -= static_cast<qint64>(bytes);
    return block + 1;
}

void sysFree(void* pointer)
{
    if (!pointer)
        return;
    BlockHeader* block = static_cast<BlockHeader*>(pointer) - 1;
    block->owner->memoryLeft += static_cast<qint64>(block->size);
    std::free(block);
}

void sysCopy(void* source, void* destination, size_t bytes)
{
    std::memmove(destination, source, bytes);
}

// A variable-length number of a directory chunk: 7 bits a byte, high bit
// set on all but the last. False when it runs past end or overflows.
bool readEncodedInt(const uchar*& at, const uchar* end, quint64& value)
{
    value = 0;
    for (int used = 0; at < end && used < 9; ++used) {
        const uchar byte = *at++;
        value = (value << 7) | (byte & 0x7f);
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

quint32 littleEndian32(const uchar* at)
{
    return quint32(at[0]) | quint32(at[1]) << 8 | quint32(at[2]) << 16 | quint32(at[3]) << 24;
}

// libmspack's open reads the directory chunks once each, in order. But when
// unpacking needs a system file the open did not list, libmspack searches
// the directory along the chunks' links, among chunks it already holds and
// without calling any of our hooks: a loop in those links never ends, and
// no deadline can stop it. So the links are walked here first, each chunk
// at most once: the chain of listing chunks (PMGL) from the first one, and
// the index tree (PMGI) from its root. A chunk reached again along a path
// is a loop: the directory is damaged.
bool directoryHasLoop(const QByteArray& bytes, const mschmd_header& header)
{
    const qint64 chunkSize = header.chunk_size;
    const quint32 chunks = header.num_chunks; // libmspack allows at most 100,000
    const auto chunkAt = [&](quint32 number) -> const uchar* {
        const qint64 start = header.dir_offset + qint64(number) * chunkSize;
        if (number >= chunks || start < 0 || start + chunkSize > bytes.size())
            return nullptr;
        const auto* chunk = reinterpret_cast<const uchar*>(bytes.constData() + start);
        // libmspack stops at a chunk that is neither kind.
        const bool directory = chunk[0] == 'P' && chunk[1] == 'M' && chunk[2] == 'G'
            && (chunk[3] == 'L' || chunk[3] == 'I');
        return directory ? chunk : nullptr;
    };

    constexpr qint64 NextChunkAt = 0x10; // in a PMGL chunk
    std::vector<bool> seen(chunks, false);
    for (quint32 number = header.first_pmgl; number <= header.last_pmgl;) {
        const uchar* chunk = chunkAt(number);
        if (!chunk)
            break;
        if (seen[number])
            return true;
        seen[number] = true;
        number = littleEndian32(chunk + NextChunkAt);
    }

    if (header.index_root >= chunks)
        return false; // no index tree
    // Depth first; onPath marks the chunks between the root and the one
    // being read, done those whose whole subtree has been read.
    std::vector<uchar> state(chunks, 0);
    constexpr uchar OnPath = 1;
    constexpr uchar Done = 2;
    struct Step {
        quint32 chunk;
        const uchar* next; // the entry to read next
        int entriesLeft;
    };
    constexpr qint64 EntriesAt = 0x08; // in a PMGI chunk
    const auto enter = [&](quint32 number, std::vector<Step>& path) {
        const uchar* chunk = chunkAt(number);
        state[number] = OnPath;
        const int entries = chunk[3] == 'I' ? chunk[chunkSize - 2] | chunk[chunkSize - 1] << 8 : 0;
        path.push_back({number, chunk + EntriesAt, entries});
    };
    std::vector<Step> path;
    if (!chunkAt(header.index_root))
        return false;
    enter(header.index_root, path);
    while (!path.empty()) {
        Step& step = path.back();
        const uchar* chunk = chunkAt(step.chunk);
        const uchar* end = chunk + chunkSize - 2;
        quint64 nameLength = 0;
        quint64 child = 0;
        bool entry = step.entriesLeft-- > 0 && readEncodedInt(step.next, end, nameLength)
            && nameLength <= quint64(end - step.next);
        if (entry) {
            step.next += nameLength;
            entry = readEncodedInt(step.next, end, child);
        }
        if (!entry) {
            state[step.chunk] = Done;
            path.pop_back();
            continue;
        }
        if (child >= chunks || !chunkAt(quint32(child)))
            continue;
        if (state[child] == OnPath)
            return true;
        if (state[child] == 0)
            enter(quint32(child), path);
    }
    return false;
}

// The system files libmspack needs to unpack anything packed. Should one be
// missing from what its open listed, libmspack would search the directory
// for it (see directoryHasLoop); such a search can find nothing the open
// did not, so without all four nothing packed is unpacked.
bool canUnpack(const mschmd_header& header)
{
    return header.sec1.content && header.sec1.control && header.sec1.rtable && header.sec1.spaninfo;
}

struct DecompressorDeleter {
    void operator()(mschm_decompressor* decompressor) const
    {
        mspack_destroy_chm_decompressor(decompressor);
    }
};

} // namespace

struct ChmFile::Contents {
    QStringList files;                  // content files, in directory order
    QHash<QString, QByteArray> byKey;   // every readable file, by lookupKey()
    // Found once when the file is read: without a #SYSTEM entry it takes
    // parsing the table of contents, which may be large.
    QString defaultTopic;
};

ChmFile::ChmFile() = default;
ChmFile::ChmFile(const ChmFile&) = default;
ChmFile::ChmFile(ChmFile&&) noexcept = default;
ChmFile& ChmFile::operator=(const ChmFile&) = default;
ChmFile& ChmFile::operator=(ChmFile&&) noexcept = default;
ChmFile::~ChmFile() = default;

bool ChmFile::open(const QString& path)
{
    close();
    m_fileName = QFileInfo(path).absoluteFilePath();
    const RegularFileBytes file = ReadRegularFile(m_fileName, LargestFile);
    switch (file.problem) {
    case RegularFileBytes::Problem::None:
        m_error = load(file.bytes) ? Error::None : Error::NotChm;
        break;
    case RegularFileBytes::Problem::Missing:
        m_error = Error::Missing;
        break;
    case RegularFileBytes::Problem::TooLarge:
        qCWarning(lcHelp, "%s: %lld bytes, too large for a help file", qUtf8Printable(m_fileName),
                  static_cast<long long>(file.size));
        m_error = Error::TooLarge;
        break;
    case RegularFileBytes::Problem::Folder:
    case RegularFileBytes::Problem::NotRegular:
    case RegularFileBytes::Problem::Unreadable:
        m_error = Error::Unreadable;
        break;
    }
    return m_error == Error::None;
}

bool ChmFile::openBytes(const QByteArray& bytes)
{
    close();
    m_fileName.clear();
    m_error = bytes.size() > LargestFile ? Error::TooLarge : load(bytes) ? Error::None : Error::NotChm;
    return m_error == Error::None;
}

bool ChmFile::load(const QByteArray& bytes)
{
    int selftest = MSPACK_ERR_OK;
    MSPACK_SYS_SELFTEST(selftest);
    if (selftest != MSPACK_ERR_OK) {
        qCWarning(lcHelp, "libmspack was built for another file offset size");
        return false;
    }

    MemorySystem system;
    system.sys = mspack_system{sysOpen, sysClose,   sysRead, sysWrite, sysSeek, sysTell,
                               sysMessage, sysAlloc, sysFree, sysCopy, nullptr};
    system.input = &bytes;
    system.deadline = QDeadlineTimer(ReadTimeLimitMs);
    // Enough to read every byte many times over, as unpacking each file from
    // its nearest restart point does.
    system.readLeft = 16 * (bytes.size() + 1024 * 1024);
    system.memoryLeft = DecompressorMemory;
    struct Loading {
        explicit Loading(MemorySystem* system) { t_loading = system; }
        ~Loading() { t_loading = nullptr; }
    } loading(&system);

    // Declared after system: destroyed first, while its allocator still works.
    std::unique_ptr<mschm_decompressor, DecompressorDeleter> decompressor(
        mspack_create_chm_decompressor(&system.sys));
    if (!decompressor)
        return false;
    mschmd_header* header = decompressor->open(decompressor.get(), "help");
    if (!header) {
        qCWarning(lcHelp, "not a readable help file (libmspack error %d)",
                  decompressor->last_error(decompressor.get()));
        return false;
    }
    struct HeaderCloser {
        mschm_decompressor* decompressor;
        mschmd_header* header;
        ~HeaderCloser() { decompressor->close(decompressor, header); }
    } headerCloser{decompressor.get(), header};
    if (directoryHasLoop(bytes, *header)) {
        qCWarning(lcHelp, "the help file's directory chunks link in a loop");
        return false;
    }
    const bool unpacking = canUnpack(*header);

    // The files worth unpacking, their sizes checked against the file and
    // the limits before libmspack is asked for any of them.
    struct Wanted {
        mschmd_file* entry;
        QString path;
        unsigned section;
    };
    std::vector<Wanted> wanted;
    const qint64 inputSize = bytes.size();
    const qint64 sectionStart = header->sec0.offset;
    qint64 total = 0;
    int entries = 0;
    int damaged = 0;
    int packedLeftOut = 0;
    for (mschmd_file* entry = header->files; entry; entry = entry->next) {
        if (++entries > MostFiles) {
            qCWarning(lcHelp, "more than %d files listed: a damaged directory", MostFiles);
            return false;
        }
        const QString path = QString::fromUtf8(entry->filename);
        // Directories end in '/' and hold nothing; names without a leading
        // '/' cannot be linked to.
        if (!path.startsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('/')))
            continue;
        const qint64 offset = entry->offset;
        const qint64 length = entry->length;
        const unsigned section = entry->section ? entry->section->id : 2;
        if (section == 1 && !unpacking) {
            ++packedLeftOut;
            continue;
        }
        bool fits = offset >= 0 && length >= 0 && length <= LargestContents - total;
        if (fits && section == 0) // stored as is: must lie inside the file
            fits = sectionStart >= 0 && sectionStart <= inputSize
                && offset <= inputSize - sectionStart && length <= inputSize - sectionStart - offset;
        else if (fits && section == 1) // packed: must lie inside the unpacked limit
            fits = offset <= LargestContents - length;
        else
            fits = false;
        if (!fits) {
            qCDebug(lcHelp, "skipping %s: damaged place or size", qUtf8Printable(path));
            ++damaged;
            continue;
        }
        total += length;
        wanted.push_back({entry, path, section});
    }

    if (damaged > 0)
        qCWarning(lcHelp, "%d files in the help file have a damaged place or size", damaged);
    if (packedLeftOut > 0)
        qCWarning(lcHelp, "%d packed files left out: the help file lacks what unpacking them needs",
                  packedLeftOut);

    // In the order they are stored, so that the packed stream is unpacked
    // once from start to end rather than from a restart point for each file.
    std::stable_sort(wanted.begin(), wanted.end(), [](const Wanted& a, const Wanted& b) {
        return a.section != b.section ? a.section < b.section
                                      : a.entry->offset < b.entry->offset;
    });
    system.outputs.resize(wanted.size());
    system.outputLimits.resize(wanted.size());
    std::vector<bool> readable(wanted.size(), false);
    int unreadable = 0;
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (system.stopped())
            return false;
        system.outputLimits[i] = wanted[i].entry->length;
        const QByteArray name = QByteArray::number(static_cast<qulonglong>(i));
        const int error = decompressor->extract(decompressor.get(), wanted[i].entry, name.constData());
        if (system.spent)
            return false;
        readable[i] = error == MSPACK_ERR_OK
            && system.outputs[i].size() == wanted[i].entry->length;
        if (!readable[i]) {
            qCDebug(lcHelp, "cannot unpack %s (libmspack error %d)",
                    qUtf8Printable(wanted[i].path), error);
            system.outputs[i] = QByteArray();
            ++unreadable;
        }
    }
    if (unreadable > 0)
        qCWarning(lcHelp, "%d of %d files in the help file cannot be unpacked", unreadable,
                  static_cast<int>(wanted.size()));

    auto contents = std::make_shared<Contents>();
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (!readable[i])
            continue;
        const QString key = lookupKey(wanted[i].path);
        if (contents->byKey.contains(key))
            continue; // listed twice: the first one counts
        contents->byKey.insert(key, std::move(system.outputs[i]));
    }
    // Directory order, as the file lists them.
    QSet<QString> listed;
    for (mschmd_file* entry = header->files; entry; entry = entry->next) {
        const QString path = QString::fromUtf8(entry->filename);
        if (path.startsWith(QLatin1String("/#")) || path.startsWith(QLatin1String("/$")))
            continue;
        if (contents->byKey.contains(lookupKey(path)) && !listed.contains(path)) {
            listed.insert(path);
            contents->files.append(path);
        }
    }
    m_contents = contents;
    contents->defaultTopic = findDefaultTopic(); // not shared with anyone yet
    return true;
}

void ChmFile::close()
{
    m_contents.reset();
    m_error = Error::None;
}

QString ChmFile::errorString() const
{
    switch (m_error) {
    case Error::None: break;
    case Error::Missing: return QStringLiteral("the file is missing");
    case Error::Unreadable: return QStringLiteral("the file cannot be read");
    case Error::NotChm: return QStringLiteral("it is not a valid help file");
    case Error::TooLarge: return QStringLiteral("it is too large");
    }
    return {};
}

QStringList ChmFile::files() const
{
    return m_contents ? m_contents->files : QStringList();
}

bool ChmFile::contains(const QString& path) const
{
    const QString name = normalizedPath(path);
    return m_contents && !name.isEmpty() && m_contents->byKey.contains(lookupKey(name));
}

std::optional<QByteArray> ChmFile::read(const QString& path) const
{
    const QString name = normalizedPath(path);
    if (!m_contents || name.isEmpty())
        return std::nullopt;
    const auto it = m_contents->byKey.constFind(lookupKey(name));
    if (it == m_contents->byKey.cend())
        return std::nullopt;
    return *it;
}

QString ChmFile::defaultTopic() const
{
    return m_contents ? m_contents->defaultTopic : QString();
}

QString ChmFile::findDefaultTopic() const
{
    const QByteArray system = read(QStringLiteral("/#SYSTEM")).value_or(QByteArray());

    const QString stored = withoutAnchor(systemString(systemEntry(system, SystemDefaultTopic)));
    if (!stored.isEmpty() && contains(stored))
        return normalizedPath(stored);

    // No usable entry: the first page of the table of contents it holds.
    if (const QString contentsName = contentsFile(); !contentsName.isEmpty()) {
        const QList<SitemapEntry> contents = ParseSitemap(read(contentsName).value_or(QByteArray()));
        for (const SitemapEntry& entry : contents) {
            const QString page = withoutAnchor(entry.local);
            if (!page.isEmpty() && contains(page))
                return normalizedPath(page);
        }
    }

    static const char* const usualNames[] = {"/index.html", "/index.htm", "/default.html",
                                             "/default.htm", "/main.html", "/main.htm"};
    for (const char* name : usualNames) {
        if (contains(QLatin1String(name)))
            return QLatin1String(name);
    }
    return {};
}

QString ChmFile::title() const
{
    if (!m_contents)
        return {};
    return systemString(
        systemEntry(read(QStringLiteral("/#SYSTEM")).value_or(QByteArray()), SystemTitle));
}

QString ChmFile::contentsFile() const
{
    return sitemapFile(SystemContentsFile, QLatin1String(".hhc"));
}

QString ChmFile::indexFile() const
{
    return sitemapFile(SystemIndexFile, QLatin1String(".hhk"));
}

QString ChmFile::sitemapFile(int systemCode, QLatin1String extension) const
{
    if (!m_contents)
        return {};
    const QString named = systemString(
        systemEntry(read(QStringLiteral("/#SYSTEM")).value_or(QByteArray()), systemCode));
    if (!named.isEmpty() && contains(named))
        return named;
    for (const QString& file : m_contents->files) {
        if (file.endsWith(extension, Qt::CaseInsensitive))
            return file;
    }
    return {};
}

QByteArray ChmFile::systemEntry(const QByteArray& system, int code)
{
    // A 4-byte version, then entries: 16-bit code, 16-bit length, data
    // (all little-endian).
    auto word = [&system](qsizetype at) {
        return static_cast<int>(static_cast<unsigned char>(system[at]))
            | (static_cast<int>(static_cast<unsigned char>(system[at + 1])) << 8);
    };
    qsizetype at = 4;
    while (at + 4 <= system.size()) {
        const int entryCode = word(at);
        const int length = word(at + 2);
        at += 4;
        if (at + length > system.size())
            break; // truncated entry: ignore it and whatever follows
        if (entryCode == code)
            return system.mid(at, length);
        at += length;
    }
    return {};
}

QString ChmFile::normalizedPath(const QString& path)
{
    QString result = path.trimmed();
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (result.isEmpty())
        return result;
    if (!result.startsWith(QLatin1Char('/')))
        result.prepend(QLatin1Char('/'));
    return result;
}

} // namespace lyrovan
