#include "Fonts.h"

#include "Background.h"
#include "Twips.h"
#include "errors/RegularFile.h"

#include <QFontDatabase>
#include <QStringList>

#include <fontconfig/fontconfig.h>

namespace lyrovan {

namespace {

const char* const WineTahoma = "/usr/share/wine/fonts/tahoma.ttf";

// Whether Tahoma is the fonts-wine copy, set by LoadBundledFonts.
bool g_tahomaFromWine = false;
// Whether the stand-ins and DejaVu Sans are there, set by LoadBundledFonts.
bool g_sansLoaded = false;
bool g_terminalLoaded = false;
bool g_dejaVuSans = false;
bool g_loaded = false;
bool g_prepared = false;
// The font configuration being read: waited for before Qt's font database
// first asks fontconfig.
QFuture<void> g_fontConfigRead;

QFont MakeFont(const QStringList& families, QFont::StyleHint hint, double points, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPixelSize(PointsToPixels(points));
    font.setBold(bold);
    return font;
}

// A font names one family: first where it is there, else otherwise. Naming
// a second family as well would have Qt ask fontconfig for a list of
// fallback fonts as the font is first used, milliseconds at start-up; with
// one family it asks only once a character is missing. The faces named
// first cover all the window shows in them.
QStringList OneFamily(const QString& first, bool present, const QString& otherwise)
{
    return {present ? first : otherwise};
}

// Reads the system's font configuration and makes it fontconfig's current
// one, as FcInit does but without parsing every file of fontconfig's
// template folder (conf.avail) as well: FcInit reads those only to list
// them with their descriptions (fc-conflist) and applies none of them, and
// they are most of the XML it parses. Where that way fails, FcInit runs.
void ReadFontConfiguration()
{
    FcConfig* config = FcConfigCreate();
    bool read = config && FcConfigParseAndLoad(config, nullptr, FcTrue);
    if (read) {
        // As FcInit: without a cache folder fontconfig would scan every font.
        FcStrList* cacheDirs = FcConfigGetCacheDirs(config);
        read = cacheDirs && FcStrListNext(cacheDirs);
        FcStrListDone(cacheDirs);
    }
    read = read && FcConfigBuildFonts(config) && FcConfigSetCurrent(config);
    if (config)
        FcConfigDestroy(config); // the current configuration holds its own reference
    if (!read)
        FcInit();
}

} // namespace

void PrepareFonts()
{
    // fontconfig reads the environment while it starts. The application
    // object removes the desktop's start-up token from the environment while
    // it is built, which must not happen under a reader on another thread:
    // with a token the configuration is read later, on this thread.
    if (g_prepared || qEnvironmentVariableIsSet("DESKTOP_STARTUP_ID")
        || qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"))
        return;
    g_prepared = true;
    g_fontConfigRead = RunInBackground(ReadFontConfiguration);
}

void LoadBundledFonts()
{
    if (g_loaded)
        return;
    g_loaded = true;
    // Qt's font database then finds the configuration read. The program
    // waits here, before it has a window, once: the configuration must be
    // in place before Qt reads it.
    g_fontConfigRead.waitForFinished();
    g_sansLoaded = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LyrovanSans.ttf")) >= 0;
    g_terminalLoaded = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LyrovanTerminal.ttf")) >= 0;
    const QStringList families = QFontDatabase::families();
    g_dejaVuSans = families.contains(QStringLiteral("DejaVu Sans"), Qt::CaseInsensitive);
    if (!families.contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)) {
        // Read as a regular file only, never waiting on it: something else
        // under that name must not stop the start.
        constexpr qint64 LargestFont = 16 * 1024 * 1024;
        const RegularFileBytes tahoma = ReadRegularFile(QString::fromLatin1(WineTahoma), LargestFont);
        g_tahomaFromWine = tahoma.problem == RegularFileBytes::Problem::None
            && QFontDatabase::addApplicationFontFromData(tahoma.bytes) >= 0;
    }
}

QFont TahomaFont(double points, bool bold)
{
    if (bold && g_tahomaFromWine) {
        QFont font = MakeFont(OneFamily(QStringLiteral("DejaVu Sans"), g_dejaVuSans, QStringLiteral("Tahoma")),
                              QFont::SansSerif, points, true);
        font.setStretch(QFont::SemiCondensed);
        return font;
    }
    return MakeFont({QStringLiteral("Tahoma")}, QFont::SansSerif, points, bold);
}

QFont WindowFont()
{
    return MakeFont(OneFamily(QStringLiteral("Lyrovan Sans"), g_sansLoaded, QStringLiteral("Tahoma")), QFont::SansSerif,
                    8.25, false);
}

QFont TerminalFont()
{
    return MakeFont(OneFamily(QStringLiteral("Lyrovan Terminal"), g_terminalLoaded, QStringLiteral("DejaVu Sans Mono")),
                    QFont::TypeWriter, 9, false);
}

} // namespace lyrovan
