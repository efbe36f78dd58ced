#pragma once
// Where the General MIDI soundfont is looked for, first match wins:
//   1. the soundfont the user named (--soundfont / LYROVAN_SOUNDFONT);
//   2. .sf2 and .sf3 files in the program's folder;
//   3. FluidSynth's own default soundfont (synth.default-soundfont; on Debian
//      the alternative /usr/share/sounds/sf3/default-GM.sf3);
//   4. .sf2 and .sf3 files in sounds/sf2 and sounds/sf3 of every XDG data
//      folder (~/.local/share, /usr/local/share, /usr/share, ...).
// Within a folder "default-GM" comes first, then the rest by name.

#include <QString>
#include <QStringList>

namespace lyrovan {

struct SoundFontSearch {
    QStringList files;  // the candidates, in order, each file once
    QStringList places; // what was searched, for messages
};

SoundFontSearch FindSoundFonts(const QString& named, const QString& programFolder, const QString& fluidDefault,
                               const QStringList& dataFolders);

// The same with the system's values: FluidSynth's default soundfont and the
// XDG data folders as QStandardPaths lists them.
SoundFontSearch FindSoundFonts(const QString& named, const QString& programFolder);

// FluidSynth's synth.default-soundfont; empty if it has none.
QString FluidDefaultSoundFont();

// The Debian package that installs a General MIDI soundfont.
inline constexpr const char* SoundFontPackage = "fluid-soundfont-gm";

} // namespace lyrovan
