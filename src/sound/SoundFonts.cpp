#include "SoundFonts.h"

#include "SoundLibraries.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace lyrovan {

namespace {

// The soundfonts of one folder: default-GM first, then by name.
QStringList SoundFontsIn(const QString& folder)
{
    QDir dir(folder);
    QStringList names = dir.entryList({QStringLiteral("*.sf2"), QStringLiteral("*.sf3")},
                                      QDir::Files | QDir::Readable, QDir::Name);
    std::stable_partition(names.begin(), names.end(),
                          [](const QString& name) { return name.startsWith(QStringLiteral("default-GM.")); });
    QStringList paths;
    for (const QString& name : names)
        paths << dir.filePath(name);
    return paths;
}

} // namespace

SoundFontSearch FindSoundFonts(const QString& named, const QString& programFolder, const QString& fluidDefault,
                               const QStringList& dataFolders)
{
    SoundFontSearch search;
    QSet<QString> seen;
    const auto add = [&](const QString& path) {
        // The same file under another name (a Debian alternative) once.
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            return;
        seen.insert(canonical);
        search.files << path;
    };

    if (!named.isEmpty()) {
        // Kept even when it does not exist, so that its failure is told.
        search.places << named;
        search.files << named;
        seen.insert(QFileInfo(named).canonicalFilePath());
    }
    if (!programFolder.isEmpty()) {
        search.places << programFolder;
        for (const QString& path : SoundFontsIn(programFolder))
            add(path);
    }
    if (!fluidDefault.isEmpty()) {
        search.places << fluidDefault;
        add(fluidDefault);
    }
    for (const QString& data : dataFolders) {
        for (const QString& kind : {QStringLiteral("sf2"), QStringLiteral("sf3")}) {
            const QString folder = QDir(data).filePath(QStringLiteral("sounds/") + kind);
            search.places << folder;
            for (const QString& path : SoundFontsIn(folder))
                add(path);
        }
    }
    return search;
}

SoundFontSearch FindSoundFonts(const QString& named, const QString& programFolder)
{
    return FindSoundFonts(named, programFolder, FluidDefaultSoundFont(),
                          QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
}

QString FluidDefaultSoundFont()
{
    fluid_settings_t* settings = new_fluid_settings();
    if (!settings)
        return {};
    char* path = nullptr;
    QString result;
    if (fluid_settings_getstr_default(settings, "synth.default-soundfont", &path) == FLUID_OK && path)
        result = QString::fromLocal8Bit(path);
    delete_fluid_settings(settings);
    return result;
}

} // namespace lyrovan
