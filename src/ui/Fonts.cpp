#include "Fonts.h"

#include "Twips.h"

#include <QFile>
#include <QFontDatabase>
#include <QStringList>

namespace lyrovan {

namespace {

const char* const WineFontDir = "/usr/share/wine/fonts/";

bool HasFamily(const QString& family)
{
    return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

void AddFromWine(const QString& family, const QStringList& files)
{
    if (HasFamily(family))
        return;
    for (const QString& file : files) {
        const QString path = QString::fromLatin1(WineFontDir) + file;
        if (QFile::exists(path))
            QFontDatabase::addApplicationFont(path);
    }
}

QFont MakeFont(const QString& family, QFont::StyleHint hint, double points, bool bold)
{
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(PointsToPixels(points));
    font.setBold(bold);
    return font;
}

} // namespace

void LoadBundledFonts()
{
    AddFromWine(QStringLiteral("Tahoma"), {QStringLiteral("tahoma.ttf"), QStringLiteral("tahomabd.ttf")});
    AddFromWine(QStringLiteral("MS Sans Serif"), {QStringLiteral("ms_sans_serif.ttf")});
    AddFromWine(QStringLiteral("Fixedsys"), {QStringLiteral("fixedsys.ttf")});
}

QFont TahomaFont(double points, bool bold)
{
    return MakeFont(QStringLiteral("Tahoma"), QFont::SansSerif, points, bold);
}

QFont WindowFont()
{
    if (HasFamily(QStringLiteral("MS Sans Serif")))
        return MakeFont(QStringLiteral("MS Sans Serif"), QFont::SansSerif, 8.25, false);
    return TahomaFont(8.25);
}

QFont TerminalFont()
{
    for (const QString& family : {QStringLiteral("Terminal"), QStringLiteral("Fixedsys")}) {
        if (HasFamily(family))
            return MakeFont(family, QFont::TypeWriter, 9, false);
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(PointsToPixels(9));
    return font;
}

} // namespace lyrovan
