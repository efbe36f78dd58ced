// libFuzzer target for the help reader: opens the input as a help file and
// reads everything in it the way the help window would: every file, the
// contents and index, and each page's text and title for the search. A crash, a sanitizer
// report or a hang (libFuzzer's -timeout) is a finding.

#include "help/ChmFile.h"
#include "help/HelpTopics.h"

#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Damaged input is the norm here: keep the reader's warnings quiet.
    QLoggingCategory::setFilterRules(QStringLiteral("lyrovan.help.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > static_cast<std::size_t>(lyrovan::ChmFile::LargestFile))
        return 0;
    lyrovan::ChmFile file;
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!file.openBytes(bytes))
        return 0;
    const QStringList files = file.files();
    for (const QString& path : files) {
        const std::optional<QByteArray> bytes = file.read(path);
        if (bytes && (path.endsWith(QLatin1String(".html")) || path.endsWith(QLatin1String(".htm")))) {
            const QString html = lyrovan::DecodeHtml(*bytes);
            lyrovan::TextOfHtml(html);
            lyrovan::TitleOfHtml(html);
        }
    }
    lyrovan::ReadContents(file);
    lyrovan::ReadIndex(file);
    file.read(QStringLiteral("#SYSTEM"));
    file.defaultTopic();
    file.title();
    return 0;
}
