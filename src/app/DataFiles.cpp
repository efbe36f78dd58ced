#include "DataFiles.h"

#include "errors/RuntimeError.h"
#include "help/ChmFile.h"
#include "help/Help.h"
#include "library/DataSource.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace lyrovan {

QStringList InstalledDataFolders(const QString& programFolder)
{
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::AppDataLocation);
    folders << programFolder + QStringLiteral("/../share/lyrovan");
    QStringList result;
    const QString own = QDir::cleanPath(programFolder);
    for (const QString& folder : std::as_const(folders)) {
        const QString clean = QDir::cleanPath(folder);
        if (clean != own && !result.contains(clean))
            result << clean;
    }
    return result;
}

QStringList DataFolders(const QString& programFolder)
{
    const QStringList installed = InstalledDataFolders(programFolder);
    const QString beside = QDir::cleanPath(programFolder + QStringLiteral("/../share/lyrovan"));
    const bool isInstalled =
        QFileInfo(programFolder).fileName() == QLatin1String("bin") && QFileInfo(beside).isDir();
    if (!isInstalled)
        return QStringList{programFolder} + installed;
    QStringList folders{beside};
    for (const QString& folder : installed) {
        if (folder != beside)
            folders << folder;
    }
    return folders << programFolder;
}

DataFile FindDataFile(const QStringList& folders, const QString& name)
{
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(path))
            return {path, {}};
    }
    if (folders.isEmpty())
        return {name, {}};
    return {folders.constFirst() + QLatin1Char('/') + name, folders.mid(1)};
}

int CheckDataFiles(const QStringList& folders, QString& report)
{
    int status = 0;
    const DataFile database = FindDataFile(folders, QStringLiteral("Chords.mdb"));
    try {
        DataSource source;
        source.setDatabaseName(database.path, database.alsoLookedIn);
        source.setRecordSource(QStringLiteral("SELECT * FROM Chords"));
        source.Refresh();
        report += QStringLiteral("Chords.mdb: %1 (%2 fingerings)\n")
                      .arg(QDir::toNativeSeparators(database.path))
                      .arg(source.RecordCount());
    } catch (const RuntimeError& error) {
        report += error.description() + QLatin1Char('\n');
        status = 1;
    }

    const DataFile help = FindDataFile(folders, QStringLiteral("Help.chm"));
    ChmFile file;
    if (const QString problem = OpenHelpFile(file, help.path, help.alsoLookedIn); problem.isEmpty()) {
        report += QStringLiteral("Help.chm: %1\n").arg(QDir::toNativeSeparators(help.path));
    } else {
        report += problem + QLatin1Char('\n');
        status = 1;
    }
    return status;
}

} // namespace lyrovan
