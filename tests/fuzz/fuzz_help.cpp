// libFuzzer target for the help reader: opens the input as a help file and
// reads everything in it the way the help window would: every file, the
// contents and index, and each page bounded and read by Qt's own HTML reader
// as the search does (the window shows the same bounded page). A crash, a
// sanitizer report or a hang (libFuzzer's -timeout) is a finding.

#include "help/ChmFile.h"
#include "help/HelpTopics.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Damaged input is the norm here: keep the reader's warnings quiet.
    QLoggingCategory::setFilterRules(QStringLiteral("lyrovan.help.warning=false"));
    // Qt's rich text needs an application object, and no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_help";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
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
    lyrovan::HelpSearchIndex index;
    index.addPages(file);
    index.search(QStringLiteral("strum chord"));
    const QStringList files = file.files();
    for (const QString& path : files)
        file.read(path);
    lyrovan::ReadContents(file);
    lyrovan::ReadIndex(file);
    file.read(QStringLiteral("#SYSTEM"));
    file.defaultTopic();
    file.title();
    return 0;
}
