#include "ChmFile.h"

#include <chm_lib.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>

namespace lyrovan {

namespace {

// #SYSTEM entries used here.
constexpr int SystemContentsFile = 0;
constexpr int SystemDefaultTopic = 2;
constexpr int SystemTitle = 3;

int collectFile(::chmFile*, chmUnitInfo* info, void* context)
{
    auto* list = static_cast<QStringList*>(context);
    const QString path = QString::fromUtf8(info->path);
    // Directories end in '/'; they carry no data.
    if (!path.endsWith(QLatin1Char('/')))
        list->append(path);
    return CHM_ENUMERATOR_CONTINUE;
}

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

} // namespace

void ChmFile::Closer::operator()(::chmFile* handle) const
{
    chm_close(handle);
}

bool ChmFile::open(const QString& path)
{
    close();
    const QFileInfo info(path);
    m_fileName = info.absoluteFilePath();
    if (!info.exists()) {
        m_error = Error::Missing;
        return false;
    }
    if (!info.isFile() || !info.isReadable()) {
        m_error = Error::Unreadable;
        return false;
    }
    // chm_open checks the header signatures and fails on anything else.
    m_handle.reset(chm_open(QFile::encodeName(m_fileName).constData()));
    if (!m_handle) {
        m_error = Error::NotChm;
        return false;
    }
    m_error = Error::None;
    return true;
}

void ChmFile::close()
{
    m_handle.reset();
    m_error = Error::None;
}

QString ChmFile::errorString() const
{
    switch (m_error) {
    case Error::None: break;
    case Error::Missing: return QStringLiteral("the file is missing");
    case Error::Unreadable: return QStringLiteral("the file cannot be read");
    case Error::NotChm: return QStringLiteral("it is not a valid help file");
    }
    return {};
}

QStringList ChmFile::files() const
{
    QStringList list;
    if (m_handle)
        chm_enumerate(m_handle.get(), CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collectFile, &list);
    return list;
}

bool ChmFile::contains(const QString& path) const
{
    chmUnitInfo info{};
    return resolve(path, info);
}

std::optional<QByteArray> ChmFile::read(const QString& path) const
{
    chmUnitInfo info{};
    if (!resolve(path, info))
        return std::nullopt;
    // No page of a help file comes near this; a larger length is a damaged
    // header, and allocating it could exhaust memory.
    constexpr LONGUINT64 LargestPage = 64ull * 1024 * 1024;
    if (info.length > LargestPage)
        return std::nullopt;

    QByteArray data(static_cast<qsizetype>(info.length), Qt::Uninitialized);
    auto* buffer = reinterpret_cast<unsigned char*>(data.data());
    LONGUINT64 done = 0;
    while (done < info.length) {
        const LONGINT64 got = chm_retrieve_object(m_handle.get(), &info, buffer + done, done,
                                                  static_cast<LONGINT64>(info.length - done));
        if (got <= 0)
            return std::nullopt; // damaged or truncated file
        done += static_cast<LONGUINT64>(got);
    }
    return data;
}

bool ChmFile::resolve(const QString& path, chmUnitInfo& info) const
{
    const QString name = normalizedPath(path);
    // Directory entries ("/images/") resolve too, but hold nothing.
    if (!m_handle || name.isEmpty() || name.endsWith(QLatin1Char('/')))
        return false;
    const QByteArray encoded = name.toUtf8();
    return chm_resolve_object(m_handle.get(), encoded.constData(), &info) == CHM_RESOLVE_SUCCESS;
}

QString ChmFile::defaultTopic() const
{
    if (!m_handle)
        return {};
    const QByteArray system = read(QStringLiteral("/#SYSTEM")).value_or(QByteArray());

    const QString stored = withoutAnchor(systemString(systemEntry(system, SystemDefaultTopic)));
    if (!stored.isEmpty() && contains(stored))
        return normalizedPath(stored);

    // No usable entry: the first page of the table of contents.
    QString contentsName = systemString(systemEntry(system, SystemContentsFile));
    if (contentsName.isEmpty()) {
        const QStringList all = files();
        for (const QString& file : all) {
            if (file.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive)) {
                contentsName = file;
                break;
            }
        }
    }
    if (!contentsName.isEmpty()) {
        const QString first =
            withoutAnchor(firstContentsTopic(read(contentsName).value_or(QByteArray())));
        if (!first.isEmpty() && contains(first))
            return normalizedPath(first);
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
    if (!m_handle)
        return {};
    return systemString(
        systemEntry(read(QStringLiteral("/#SYSTEM")).value_or(QByteArray()), SystemTitle));
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

QString ChmFile::firstContentsTopic(const QByteArray& hhc)
{
    // <param name="Local" value="page.html">, attributes in either order.
    static const QRegularExpression param(
        QStringLiteral("<param\\s+([^>]*)>"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nameLocal(
        QStringLiteral("name\\s*=\\s*(\"local\"|local\\b)"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression value(
        QStringLiteral("value\\s*=\\s*\"([^\"]*)\""), QRegularExpression::CaseInsensitiveOption);

    const QString text = QString::fromLatin1(hhc);
    auto it = param.globalMatch(text);
    while (it.hasNext()) {
        const QString attributes = it.next().captured(1);
        if (!nameLocal.match(attributes).hasMatch())
            continue;
        const QString target = value.match(attributes).captured(1).trimmed();
        if (!target.isEmpty())
            return target;
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
