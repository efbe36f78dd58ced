#include "Application.h"

#include "app/frmMain.h"
#include "ui/Fonts.h"
#include "Version.h"

#include <QApplication>

namespace lyrovan {

int RunApplication(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lyrovan"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision));
    LoadBundledFonts();

    MainWindowParts parts;
    parts.programFolder = QCoreApplication::applicationDirPath();
    frmMain window(parts);
    window.Form_Load();
    return app.exec();
}

} // namespace lyrovan
