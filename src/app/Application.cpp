#include "Application.h"

#include "app/frmMain.h"
#include "sound/FluidSynthOut.h"
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

    // The synthesizer outlives the window, which closes it when it unloads.
    FluidSynthOut synthesizer;
    MainWindowParts parts;
    parts.programFolder = QCoreApplication::applicationDirPath();
    parts.midi = &synthesizer;
    frmMain window(parts);
    window.Form_Load();
    return app.exec();
}

} // namespace lyrovan
