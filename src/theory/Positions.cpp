#include "Positions.h"

#include "theory/ChordTables.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace lyrovan::chordgen {

namespace {

// Shapes as guitarists learn them, each written in its own key in standard
// tuning. At home they are the open-position forms, shown before any other.
// Moved to other keys (open strings turning into a barre) they are a last
// resort before the search, for the chord types that the forms below serve
// badly.
constexpr Shape ShapeTable[] = {
    // major
    {0, "C ", "x32010"},
    {0, "A ", "x02220"},
    {0, "G ", "320003"},
    {0, "E ", "022100"},
    {0, "D ", "xx0232"},
    // sixth and major sixth
    {1, "A ", "x02222"},
    {1, "C ", "x32210"},
    {1, "D ", "xx0202"},
    {1, "E ", "022120"},
    {1, "G ", "320000"},
    {7, "A ", "x02222"},
    {7, "C ", "x32210"},
    {7, "D ", "xx0202"},
    {7, "E ", "022120"},
    {7, "G ", "320000"},
    // seventh
    {2, "C ", "x32310"},
    {2, "A ", "x02020"},
    {2, "A ", "x02223"},
    {2, "G ", "320001"},
    {2, "E ", "020100"},
    {2, "E ", "022130"},
    {2, "D ", "xx0212"},
    {2, "B ", "x21202"},
    // ninth
    {3, "C ", "x3233x"},
    {3, "E ", "020102"},
    {3, "A ", "x02423"},
    {3, "G ", "3x0201"},
    // thirteenth
    {6, "E ", "020120"},
    {6, "A ", "x02022"},
    {6, "G ", "3x3450"},
    // major seventh
    {8, "C ", "x32000"},
    {8, "A ", "x02120"},
    {8, "E ", "021100"},
    {8, "E ", "0x110x"},
    {8, "D ", "xx0222"},
    {8, "F ", "xx3210"},
    {8, "G ", "320002"},
    // major ninth
    {9, "C ", "x32430"},
    {9, "C ", "x30000"},
    {9, "C ", "x3243x"},
    // seventh, flat ninth
    {12, "E ", "020101"},
    {12, "C ", "x3232x"},
    // seventh, flat tenth (the seventh with both thirds)
    {13, "E ", "x7678x"},
    // augmented seventh, flat ninth
    {16, "C ", "x32324"},
    // sixth, ninth
    {17, "C ", "x32233"},
    // diminished
    {18, "D ", "xx0101"},
    // augmented
    {19, "C ", "x32110"},
    {19, "A ", "x03221"},
    {19, "E ", "032110"},
    // suspended fourth
    {20, "A ", "x02230"},
    {20, "D ", "xx0233"},
    {20, "E ", "022200"},
    {20, "C ", "x33011"},
    {20, "G ", "330013"},
    // seventh, suspended fourth
    {21, "A ", "x02030"},
    {21, "E ", "020200"},
    {21, "D ", "xx0213"},
    {21, "C ", "x33311"},
    {21, "G ", "330011"},
    // minor
    {22, "A ", "x02210"},
    {22, "E ", "022000"},
    {22, "D ", "xx0231"},
    {22, "C ", "x3101x"},
    {22, "A ", "x02555"},
    // minor sixth
    {23, "A ", "x02212"},
    {23, "E ", "022020"},
    {23, "D ", "xx0201"},
    // minor seventh
    {24, "A ", "x02010"},
    {24, "E ", "022030"},
    {24, "E ", "020000"},
    {24, "D ", "xx0211"},
    {24, "B ", "x20202"},
    // minor ninth
    {25, "E ", "020002"},
    {25, "C ", "x3133x"},
    // minor seventh, flat fifth
    {26, "B ", "x2323x"},
    // minor seventh, flat ninth
    {27, "C ", "x3132x"},
    // minor, major seventh
    {28, "A ", "x02110"},
    {28, "E ", "021000"},
    {28, "D ", "xx0221"},
    // minor ninth, major seventh
    {29, "C ", "x3143x"},
    // minor sixth, ninth
    {31, "C ", "x3123x"},
};

constexpr int Unused = 99; // a string a form leaves out
constexpr int Gap = 98;    // the muted string right above the root of a jazz form

// A movable form: the string of its root and the fret of every string
// relative to the root's fret, as the major chord (for the jazz grips and
// shells the major seventh, for the ninth the ninth) lies in it. Other
// chord types move single notes of it by a fret or two: the third down for
// minor, the doubled root down to the seventh, and so on.
struct Template {
    int rootString; // 0 = string 6
    std::array<int, StringCount> offset;
    // The string of the third right above the root that makes the C and G
    // shapes what they are; it sounds and moves a fret at most. -1: none.
    int anchor = -1;
};

constexpr Template EShape{0, {0, 2, 2, 1, 0, 0}};                    // 133211
constexpr Template AShape{1, {Unused, 0, 2, 2, 2, 0}};               // x13331
constexpr Template DShape{2, {Unused, Unused, 0, 2, 3, 2}};          // xx1343
constexpr Template CShape{1, {Unused, 0, -1, -3, -2, -3}, 2};        // x43121
constexpr Template GShape{0, {0, -1, -3, -3, -3, 0}, 1};             // 432224
constexpr Template Jazz6{0, {0, Gap, 1, 1, 0, Unused}};              // 1x221x: root, 7, 3, 5
constexpr Template Jazz5{1, {Unused, 0, Gap, 1, 2, 0}};              // x1x231: root, 7, 3, 5
constexpr Template Shell6{0, {0, -1, 1, Unused, Unused, Unused}};    // 213xxx: root, 3, 7
constexpr Template Shell6Top{0, {0, Gap, 1, 1, Unused, Unused}};     // 1x23xx: root, 7, 3
constexpr Template Shell5{1, {Unused, 0, -1, 1, Unused, Unused}};    // x213xx: root, 3, 7
constexpr Template Shell5Top{1, {Unused, 0, Gap, 1, 2, Unused}};     // x1x23x: root, 7, 3
constexpr Template Ninth5{1, {Unused, 0, -1, 0, 0, 0}};              // x21333: root, 3, 7, 9, 5

// How a form is fitted to a chord.
enum class Fit {
    Whole,  // the strings of the template; outer strings may be left out
    Exact,  // every string of the template sounds
    Top,    // strings 4..1 of the template, all sounding
    Middle, // strings 5..2
};

// The chord types a form serves.
enum class For {
    All,
    Extended, // sixth, seventh and extended chords: four notes or more
    Shells,   // the sixth and seventh chords whose shell holds every note they need
    Ninth,    // the ninth chord
};

// What a form is to a beginner, for the choice of the position shown first.
enum class Role {
    Taught, // a shape of the table in its own key
    Open,   // a form at the nut with open strings (xx0111)
    Barre,  // the E and A shapes and the five-string ninth
    Small,  // the small forms on four strings
    Other,
};

struct Form {
    std::string_view label;
    const Template* shape;
    Fit fit;
    For types;
    Role role;
};

// The movable forms in the order of choice.
constexpr Form Forms[] = {
    {"E shape", &EShape, Fit::Whole, For::All, Role::Barre},
    {"A shape", &AShape, Fit::Whole, For::All, Role::Barre},
    {"ninth, root on 5", &Ninth5, Fit::Exact, For::Ninth, Role::Barre},
    {"jazz, root on 6", &Jazz6, Fit::Whole, For::Extended, Role::Other},
    {"jazz, root on 5", &Jazz5, Fit::Whole, For::Extended, Role::Other},
    {"shell, root on 6", &Shell6, Fit::Exact, For::Shells, Role::Other},
    {"shell, root on 6, third on top", &Shell6Top, Fit::Exact, For::Shells, Role::Other},
    {"shell, root on 5", &Shell5, Fit::Exact, For::Shells, Role::Other},
    {"shell, root on 5, third on top", &Shell5Top, Fit::Exact, For::Shells, Role::Other},
    {"C shape", &CShape, Fit::Whole, For::All, Role::Other},
    {"D shape", &DShape, Fit::Whole, For::All, Role::Other},
    {"small, E shape", &EShape, Fit::Top, For::All, Role::Small},
    {"small, A shape", &AShape, Fit::Top, For::All, Role::Small},
    {"small, G shape", &GShape, Fit::Top, For::Extended, Role::Small},
    {"small, C shape", &CShape, Fit::Middle, For::All, Role::Small},
};
// The triads on strings 3-2-1 come after the D shape, before the small forms.
constexpr std::size_t TriadsBefore = 11;

// The chords most played, whose first position must be one a beginner is
// taught: major, sixth, seventh, ninth, major sixth, major seventh,
// diminished, augmented, sus4, 7sus4, minor, minor sixth, minor seventh,
// minor seventh flat fifth.
constexpr std::array<int, 14> CommonTypes{0, 1, 2, 3, 7, 8, 18, 19, 20, 21, 22, 23, 24, 26};
constexpr int MajorType = 0;
constexpr int MinorType = 22;
constexpr int Sus4Type = 20;
constexpr int NinthType = 3;
// Sixth, seventh, major sixth, major seventh, minor sixth, minor seventh.
constexpr std::array<int, 6> ShellTypes{1, 2, 7, 8, 23, 24};

constexpr std::array<std::string_view, 3> TriadLabels{
    "triad, root position", "triad, first inversion", "triad, second inversion"};

// Of one CAGED form a chord gets the form itself and its small variant.
constexpr int MaxPerShape = 2;
constexpr std::string_view MovedLabel = "known form, moved";
constexpr std::string_view SearchLabel = "search";

constexpr int Reach = 3;            // frets a note of a form may move
constexpr int BassReach = 2;        // ... on strings 6 to 4
constexpr int BassStrings = 2;      // string 4
constexpr int ClosenessWeight = 2;  // per fret a note moves from the form
// A form whose notes move further than this in all is not that form any more.
constexpr int MaxWholeCloseness = 5;
constexpr int MaxSmallCloseness = 3;
constexpr int CrowdedFretPenalty = 10;

int pitchClassOfKey(int keyIndex)
{
    return PitchClassOf(Keys[keyIndex].noteRow.substr(0, 2));
}

bool sounds(const ChordTones& chord, const Tuning& tuning, int string, int fret)
{
    return (chord.allowedMask & (1 << ((tuning[string] + fret) % 12))) != 0;
}

// True if every sounding string of a sounds the same fret in b.
bool within(const Frets& a, const Frets& b)
{
    for (int s = 0; s < StringCount; ++s)
        if (a[s] != Muted && a[s] != b[s])
            return false;
    return true;
}

int lowestOffset(const Template& shape)
{
    int lowest = 0;
    for (int off : shape.offset)
        if (off != Unused && off != Gap)
            lowest = std::min(lowest, off);
    return lowest;
}

// The root's fret for shape in the key of chord: the lowest place where
// every string of the form lies on frets 0..11; at the nut (the open E
// shape of E, the C shape of C) it uses open strings.
int rootFretOf(const Template& shape, const ChordTones& chord, const Tuning& tuning)
{
    const int openPc = tuning[shape.rootString] % 12;
    int root = ((chord.rootPc - openPc) % 12 + 12) % 12;
    while (root + lowestOffset(shape) < 0)
        root += 12;
    return root;
}

// The easiest voicing of chord that keeps closest to shape with its root on
// rootFret; lo..hi is the window of strings that must all sound, or -1..-1
// for the whole form.
std::optional<Voicing> fitShape(const Template& shape, int rootFret, const ChordTones& chord, const Tuning& tuning,
                                int lo, int hi)
{
    const bool whole = lo < 0;
    const int maxCloseness = whole ? MaxWholeCloseness : MaxSmallCloseness;
    // Open strings belong to the form at the nut only.
    const int lowestFret = rootFret + lowestOffset(shape) == 0 ? 0 : 1;
    std::array<std::vector<int>, StringCount> options;
    std::array<int, StringCount> target{};
    for (int s = 0; s < StringCount; ++s) {
        const int off = shape.offset[s];
        if (off == Unused || off == Gap || (!whole && (s < lo || s > hi))) {
            options[s].push_back(Muted);
            continue;
        }
        target[s] = rootFret + off;
        if (s == shape.rootString) {
            options[s].push_back(rootFret);
            continue;
        }
        if (whole && s != shape.anchor)
            options[s].push_back(Muted);
        // A bass note that moves a minor third makes a muddy close voicing.
        const int reach = s == shape.anchor ? 1 : s <= BassStrings ? BassReach : Reach;
        for (int f = std::max(lowestFret, target[s] - reach); f <= std::min(TopFret, target[s] + reach); ++f)
            if (sounds(chord, tuning, s, f))
                options[s].push_back(f);
    }

    // No string between sounding ones is left out, but the gap of a jazz form.
    auto closed = [&](const Frets& f) {
        const int first = bassString(f);
        int last = first;
        for (int s = first; s < StringCount; ++s)
            if (f[s] != Muted)
                last = s;
        for (int s = first + 1; s < last; ++s)
            if (f[s] == Muted && shape.offset[s] != Gap)
                return false;
        return true;
    };
    std::optional<Voicing> best;
    int bestCost = 0;
    Frets frets{};
    auto walk = [&](auto&& self, int s, int low, int high, int present, int closeness) -> void {
        if ((low > 0 && high - low > MaxSpan) || closeness > maxCloseness)
            return;
        if (s == StringCount) {
            if ((present & chord.requiredMask) != chord.requiredMask || !closed(frets))
                return;
            // Only the forms fitted exactly may end on three strings.
            if (whole && soundingCount(frets) < MinSounding)
                return;
            std::optional<Voicing> v = makeVoicing(frets, chord, tuning);
            if (!v)
                return;
            // The reaches a form asks for belong to it (the C shape's bass
            // finger three frets above the index), so they count for nothing
            // here; four fingers on one fret still do.
            const int cost = closeness * ClosenessWeight + v->score
                + crowdedFrets(v->frets, v->fingers) * CrowdedFretPenalty;
            if (!best || cost < bestCost) {
                best = v;
                bestCost = cost;
            }
            return;
        }
        for (int f : options[s]) {
            frets[s] = f;
            if (f == Muted) {
                self(self, s + 1, low, high, present, closeness);
                continue;
            }
            self(self, s + 1, low == 0 ? f : std::min(low, f), std::max(high, f),
                 present | (1 << ((tuning[s] + f) % 12)), closeness + std::abs(f - target[s]));
        }
    };
    walk(walk, 0, 0, 0, 0, 0);
    return best;
}

struct Candidate {
    Voicing voicing;
    std::string_view form;
    Role role = Role::Other;
    const Template* shape = nullptr; // the CAGED form it is fitted from, if any
};

bool serves(const Form& form, int typeIndex, const ChordTones& chord)
{
    switch (form.types) {
    case For::All:
        return true;
    case For::Extended:
        return chord.toneCount >= 4;
    case For::Shells:
        return std::find(ShellTypes.begin(), ShellTypes.end(), typeIndex) != ShellTypes.end();
    case For::Ninth:
        return typeIndex == NinthType;
    }
    return false;
}

// The form fitted to chord, if it can be played.
std::optional<Voicing> fitForm(const Form& form, const ChordTones& chord, const Tuning& tuning)
{
    const Template& shape = *form.shape;
    int root = rootFretOf(shape, chord, tuning);
    // At the nut a small, jazz or shell form would only be an open chord
    // with strings left out: these go an octave up.
    const bool jazz = std::find(shape.offset.begin(), shape.offset.end(), Gap) != shape.offset.end();
    if (root + lowestOffset(shape) == 0 && (form.fit != Fit::Whole || jazz))
        root += 12;
    int lo = -1, hi = -1;
    switch (form.fit) {
    case Fit::Whole:
        break;
    case Fit::Exact:
        lo = StringCount;
        for (int s = 0; s < StringCount; ++s)
            if (shape.offset[s] != Unused) {
                lo = std::min(lo, s);
                hi = s;
            }
        break;
    case Fit::Top:
        lo = 2;
        hi = 5;
        break;
    case Fit::Middle:
        lo = 1;
        hi = 4;
        break;
    }
    return fitShape(shape, root, chord, tuning, lo, hi);
}

// The close triads of a three-note chord on strings 3-2-1 with each of its
// notes in the bass, each at its lowest place with a string pressed.
std::vector<Candidate> topTriads(const ChordTones& chord, const Tuning& tuning)
{
    std::array<int, 3> pcs{};
    int n = 0;
    for (int pc = 0; pc < 12 && n < 3; ++pc)
        if (chord.requiredMask & (1 << ((chord.rootPc + pc) % 12)))
            pcs[n++] = (chord.rootPc + pc) % 12;
    std::vector<Candidate> out;
    if (n != 3)
        return out;
    constexpr int Low = StringCount - 3; // string 3
    for (int inversion = 0; inversion < 3; ++inversion) {
        for (int base = 0; base <= TopFret; ++base) {
            Frets frets{Muted, Muted, Muted, base, Muted, Muted};
            int pitch = tuning[Low] + base;
            if (pitch % 12 != pcs[inversion])
                continue;
            bool fits = true;
            for (int k = 1; k < 3 && fits; ++k) {
                const int pc = pcs[(inversion + k) % 3];
                do
                    ++pitch;
                while (pitch % 12 != pc);
                frets[Low + k] = pitch - tuning[Low + k];
                fits = frets[Low + k] >= 0 && frets[Low + k] <= TopFret;
            }
            if (!fits || highestPressed(frets) == 0)
                continue;
            if (std::optional<Voicing> v = makeVoicing(frets, chord, tuning))
                out.push_back({*v, TriadLabels[static_cast<std::size_t>(inversion)]});
            break;
        }
    }
    return out;
}

// The shift in semitones of standard tuning that tuning keeps the most
// strings of (the smaller shift of equals), if four or more: the known
// shapes carry over to it, a key up or down. Open tunings keep too few.
std::optional<int> shapeShiftOf(const Tuning& tuning)
{
    std::optional<int> best;
    int bestKept = 0;
    for (int shift : {0, -1, 1, -2, 2, -3, 3, -4, 4, -5, 5, -6}) {
        int kept = 0;
        for (int s = 0; s < StringCount; ++s)
            kept += tuning[s] == StandardTuning[s] + shift ? 1 : 0;
        if (kept > bestKept) {
            best = shift;
            bestKept = kept;
        }
    }
    return bestKept >= 4 ? best : std::nullopt;
}

// A known shape played in tuning, standard tuning moved by shift: strings
// tuned as the shape expects keep their frets; a retuned string plays the
// shape's note, or its open string where that is a note of the chord, or
// is left out. Of the ways the rules allow, the easiest.
std::optional<Voicing> transferredShape(const Frets& frets, const ChordTones& chord, const Tuning& tuning, int shift)
{
    std::array<std::vector<int>, StringCount> options;
    for (int s = 0; s < StringCount; ++s) {
        const int change = StandardTuning[s] + shift - tuning[s];
        if (change == 0 || frets[s] == Muted) {
            options[s].push_back(frets[s]);
            continue;
        }
        if (frets[s] + change >= 0 && frets[s] + change <= TopFret)
            options[s].push_back(frets[s] + change);
        if (sounds(chord, tuning, s, 0))
            options[s].push_back(0);
        options[s].push_back(Muted);
    }
    std::optional<Voicing> best;
    Frets f{};
    auto walk = [&](auto&& self, int s) -> void {
        if (s == StringCount) {
            if (std::optional<Voicing> v = makeVoicing(f, chord, tuning))
                if (!best || v->score < best->score)
                    best = v;
            return;
        }
        for (int option : options[s]) {
            f[s] = option;
            self(self, s + 1);
        }
    };
    walk(walk, 0);
    return best;
}

// A drop tuning lowers string 6 to sound a root under shapes that leave it
// out (D in drop D: x-x-0-2-3-2 becomes 0-0-0-2-3-2): the strings below the
// bass sounding open, where that is a position of chord.
std::optional<Voicing> withOpenBass(const Frets& frets, const ChordTones& chord, const Tuning& tuning)
{
    const int bass = bassString(frets);
    if (bass == 0 || bass == StringCount)
        return std::nullopt;
    Frets down = frets;
    for (int s = 0; s < bass; ++s)
        down[s] = 0;
    return makeVoicing(down, chord, tuning);
}

// A known shape moved to the key of chord, to the place where its lowest
// fret lies on 1..12; open strings become frets of a barre. Only in
// standard tuning moved by shift, all six strings.
std::optional<Voicing> movedShape(const Shape& shape, const ChordTones& chord, const Tuning& tuning, int shift)
{
    const std::optional<Frets> frets = parseShape(shape.frets);
    const int home = keyIndexOf(shape.key);
    if (!frets || home < 0)
        return std::nullopt;
    int lowest = MaxFret;
    for (int f : *frets)
        if (f != Muted)
            lowest = std::min(lowest, f);
    int move = ((chord.rootPc - pitchClassOfKey(home) - shift) % 12 + 24) % 12;
    while (lowest + move < 1)
        move += 12;
    const Frets moved = shifted(*frets, move);
    if (highestPressed(moved) > TopFret)
        return std::nullopt;
    return makeVoicing(moved, chord, tuning);
}

// The chord the open strings of an open tuning sound (G major in open G,
// D sus4 in DADGAD): a barre across the strings from its root up is the
// tuning's own movable form, all open at the nut. Its template, if the
// open strings make a major, minor or sus4 chord.
std::optional<Template> openTuningBarre(const Tuning& tuning)
{
    int mask = 0;
    for (int open : tuning)
        mask |= 1 << (open % 12);
    for (int type : {MajorType, MinorType, Sus4Type})
        for (int key = 0; key < KeyCount; ++key) {
            const ChordTones chord = chordTones(key, type);
            if (chord.allowedMask != mask)
                continue;
            Template barre{0, {}};
            while (tuning[barre.rootString] % 12 != chord.rootPc)
                ++barre.rootString;
            for (int s = 0; s < StringCount; ++s)
                barre.offset[s] = s < barre.rootString ? Unused : 0;
            return barre;
        }
    return std::nullopt;
}

// How hard a candidate is to play: what decides between two that sound alike.
int difficulty(const Voicing& v)
{
    return v.score + awkwardness(v);
}

// The candidates for a chord in the order of choice. openBarre is the
// tuning's own form, if it is an open tuning.
std::vector<Candidate> candidatesFor(int typeIndex, const ChordTones& chord, const Tuning& tuning,
                                     const Template* openBarre)
{
    std::vector<Candidate> out;
    const std::optional<int> shift = shapeShiftOf(tuning);
    const bool dropped = shift && tuning[0] != StandardTuning[0] + *shift;
    // Open-position forms, in the order of the table.
    for (const Shape& shape : ShapeTable) {
        if (!shift || shape.typeIndex != typeIndex
            || (pitchClassOfKey(keyIndexOf(shape.key)) + *shift + 12) % 12 != chord.rootPc)
            continue;
        const std::optional<Frets> frets = parseShape(shape.frets);
        if (!frets)
            continue;
        const std::optional<Voicing> v = transferredShape(*frets, chord, tuning, *shift);
        if (!v)
            continue;
        if (dropped)
            if (std::optional<Voicing> deeper = withOpenBass(v->frets, chord, tuning))
                out.push_back({*deeper, "open, open bass", Role::Taught});
        out.push_back({*v, hasOpenString(v->frets) ? "open" : "known form", Role::Taught});
    }
    // The open tuning's barre, at the nut an open chord (the open strings
    // themselves are taught first), and an octave up.
    if (openBarre) {
        const int root = rootFretOf(*openBarre, chord, tuning);
        for (int fret : {root, root + 12})
            if (fret <= TopFret)
                if (std::optional<Voicing> v = fitShape(*openBarre, fret, chord, tuning, -1, -1))
                    out.push_back({*v, "open tuning barre",
                                   highestPressed(v->frets) == 0 ? Role::Taught
                                   : hasOpenString(v->frets)      ? Role::Open
                                                                  : Role::Barre,
                                   openBarre});
    }
    for (std::size_t i = 0; i < std::size(Forms); ++i) {
        if (i == TriadsBefore && (typeIndex == MajorType || typeIndex == MinorType))
            for (const Candidate& c : topTriads(chord, tuning))
                out.push_back(c);
        const Form& form = Forms[i];
        if (!serves(form, typeIndex, chord))
            continue;
        if (std::optional<Voicing> v = fitForm(form, chord, tuning))
            out.push_back({*v, form.label, hasOpenString(v->frets) ? Role::Open : form.role, form.shape});
    }
    // Known shapes moved here, the easier first.
    std::vector<Candidate> moved;
    const bool transposed = shift && std::equal(tuning.begin(), tuning.end(), StandardTuning.begin(),
                                                [&](int a, int b) { return a == b + *shift; });
    for (const Shape& shape : ShapeTable)
        if (transposed && shape.typeIndex == typeIndex)
            if (std::optional<Voicing> v = movedShape(shape, chord, tuning, *shift))
                moved.push_back({*v, MovedLabel});
    std::stable_sort(moved.begin(), moved.end(), [](const Candidate& a, const Candidate& b) {
        return std::pair(a.voicing.score, a.voicing.frets) < std::pair(b.voicing.score, b.voicing.frets);
    });
    out.insert(out.end(), moved.begin(), moved.end());
    return out;
}

// What no stored position may be, whatever else is chosen: beyond fret
// TopFret, or a low cluster (but for the open forms of the table, open G
// among them, which are taught as they are). Moved shapes must not reach
// back with a finger over the index to the bass strings (7-x-4-6-4-5): of
// the forms, only the C shape asks that of the hand. The search, for chords
// the forms leave short, ranks such reaches last.
bool admissible(const Candidate& c, const Tuning& tuning)
{
    return highestPressed(c.voicing.frets) <= TopFret
        && (c.role == Role::Taught || !lowCluster(c.voicing.frets, tuning))
        && (c.form != MovedLabel || awkwardness(c.voicing) == 0);
}

// Of candidates that sound the same pitches only the easiest stays, the
// earlier of equals; of a grip and the same grip with treble strings left
// off, the whole grip (x-3-2-3-3-3 rather than x-3-2-3-3-x). Shells are
// forms of their own.
void dropRepeats(std::vector<Candidate>& candidates, const Tuning& tuning)
{
    std::vector<Candidate> kept;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const Voicing& v = candidates[i].voicing;
        bool beaten = false;
        for (std::size_t j = 0; j < candidates.size() && !beaten; ++j) {
            const Voicing& w = candidates[j].voicing;
            beaten = j != i
                && ((soundsAlike(v.frets, w.frets, tuning)
                     && (difficulty(w) < difficulty(v) || (difficulty(w) == difficulty(v) && j < i)))
                    || (soundingCount(v.frets) >= MinSounding && isTrebleCut(v.frets, w.frets)));
        }
        if (!beaten)
            kept.push_back(candidates[i]);
    }
    candidates = std::move(kept);
}

int baseFretOf(const Voicing& v)
{
    return encodeDiagram(v).baseFret;
}

} // namespace

std::span<const Shape> knownShapes()
{
    return ShapeTable;
}

std::optional<Frets> parseShape(std::string_view text)
{
    if (text.size() != StringCount)
        return std::nullopt;
    Frets frets{};
    for (int s = 0; s < StringCount; ++s) {
        const char c = text[s];
        if (c == 'x')
            frets[s] = Muted;
        else if (c >= '0' && c <= '9')
            frets[s] = c - '0';
        else
            return std::nullopt;
    }
    return frets;
}

int keyIndexOf(std::string_view keyText)
{
    for (int k = 0; k < KeyCount; ++k)
        if (Keys[k].noteRow.substr(0, 2) == keyText)
            return k;
    return -1;
}

bool isOctaveCopy(const Frets& a, const Frets& b)
{
    for (const auto& [from, to] : {std::pair(&a, &b), std::pair(&b, &a)})
        for (int shift : {12, -12}) {
            // Checked before moving: a string moved to fret -1 is not muted.
            if (std::any_of(from->begin(), from->end(),
                            [&](int f) { return f != Muted && (f + shift < 0 || f + shift > MaxFret); }))
                continue;
            const Frets moved = shifted(*from, shift);
            if (within(moved, *to) || within(*to, moved))
                return true;
        }
    return false;
}

bool isTrebleCut(const Frets& a, const Frets& b)
{
    if (!within(a, b) || soundingCount(a) >= soundingCount(b) || bassString(a) != bassString(b))
        return false;
    int top = 0; // highest sounding string of a
    for (int s = 0; s < StringCount; ++s)
        if (a[s] != Muted)
            top = s;
    for (int s = 0; s < top; ++s)
        if (a[s] == Muted && b[s] != Muted)
            return false; // a leaves out an inner string, not a treble one
    return true;
}

bool startsHigh(const Frets& frets)
{
    return lowestPressed(frets) > UpperNeckFret;
}

std::vector<Voicing> searchNeck(const ChordTones& chord, const Tuning& tuning, bool thumb)
{
    std::vector<Voicing> found;
    // base 0: open and muted strings only; otherwise the lowest pressed fret.
    for (int base = 0; base <= TopFret; ++base) {
        std::array<std::vector<int>, StringCount> options;
        for (int s = 0; s < StringCount; ++s) {
            options[s].push_back(Muted);
            if (base <= DiagramRows - 1 && sounds(chord, tuning, s, 0))
                options[s].push_back(0);
            if (base == 0)
                continue;
            for (int f = base; f <= std::min(base + MaxSpan, TopFret); ++f)
                if (sounds(chord, tuning, s, f))
                    options[s].push_back(f);
        }
        Frets frets{};
        auto walk = [&](auto&& self, int s, int present, bool atBase) -> void {
            if (s == StringCount) {
                if ((present & chord.requiredMask) != chord.requiredMask || (base > 0 && !atBase)
                    || soundingCount(frets) < MinSounding)
                    return;
                if (std::optional<Voicing> v = makeVoicing(frets, chord, tuning, thumb))
                    found.push_back(*v);
                return;
            }
            for (int f : options[s]) {
                frets[s] = f;
                const int pc = (tuning[s] + f) % 12;
                self(self, s + 1, f == Muted ? present : present | (1 << pc), atBase || f == base);
            }
        };
        walk(walk, 0, 0, false);
    }
    return found;
}

namespace {

// The form a chord opens with: the first open form of the table where the
// chord has one, else the first other form at the nut, else the lower of
// its E and A shape barres (or the five-string ninth), else its lowest
// small form.
const Candidate* openerOf(const std::vector<Candidate>& candidates)
{
    for (Role role : {Role::Taught, Role::Open, Role::Barre, Role::Small}) {
        const Candidate* opener = nullptr;
        for (const Candidate& c : candidates)
            if (c.role == role && (!opener || baseFretOf(c.voicing) < baseFretOf(opener->voicing)))
                opener = &c;
        if (opener)
            return opener;
    }
    return nullptr;
}

// Up to MaxPositions of the candidates, in their order, that repeat none
// chosen before; a search of the neck fills up to MinPositions.
std::vector<Candidate> select(const std::vector<Candidate>& candidates, const ChordTones& chord, const Tuning& tuning,
                              int lowestBase)
{
    std::vector<Candidate> chosen;
    int upperNeck = 0;
    auto allowed = [&](const Candidate& c) {
        const Voicing& v = c.voicing;
        if (baseFretOf(v) < lowestBase || (startsHigh(v.frets) && upperNeck >= MaxUpperNeck)
            || (c.shape && std::count_if(chosen.begin(), chosen.end(), [&](const Candidate& p) { return p.shape == c.shape; })
                    >= MaxPerShape))
            return false;
        // A shell is a form of its own, also where a jazz grip or an open
        // chord holds it and more (x-3-2-3-x-x in x-3-2-3-1-0).
        const auto trebleCut = [](const Frets& a, const Frets& b) {
            return soundingCount(a) >= MinSounding && isTrebleCut(a, b);
        };
        return std::none_of(chosen.begin(), chosen.end(), [&](const Candidate& p) {
            const Frets& other = p.voicing.frets;
            return other == v.frets || trebleCut(v.frets, other) || trebleCut(other, v.frets)
                || isOctaveCopy(v.frets, other) || soundsAlike(v.frets, other, tuning);
        });
    };
    auto take = [&](const Candidate& c) {
        chosen.push_back(c);
        upperNeck += startsHigh(c.voicing.frets) ? 1 : 0;
    };
    for (const Candidate& c : candidates) {
        if (chosen.size() >= MaxPositions)
            break;
        if (allowed(c))
            take(c);
    }
    // The easiest positions the search finds, spread along the neck; a
    // grip with the thumb over the neck only where no other is left (the
    // augmented ninth in a few keys).
    auto place = [](const Frets& f) { return hasOpenString(f) ? 0 : lowestPressed(f); };
    for (bool thumb : {false, true}) {
        if (chosen.size() >= MinPositions)
            return chosen;
        std::vector<Candidate> found;
        for (Voicing& v : searchNeck(chord, tuning, thumb)) {
            v.score += awkwardness(v);
            Candidate c{v, SearchLabel};
            if (admissible(c, tuning))
                found.push_back(c);
        }
        while (chosen.size() < MinPositions) {
            const Candidate* best = nullptr;
            int bestScore = 0;
            for (const Candidate& c : found) {
                if (!allowed(c))
                    continue;
                int crowding = 0;
                for (const Candidate& p : chosen)
                    crowding += std::max(0, 3 - std::abs(place(c.voicing.frets) - place(p.voicing.frets))) * 4;
                if (!best || c.voicing.score + crowding < bestScore) {
                    best = &c;
                    bestScore = c.voicing.score + crowding;
                }
            }
            if (!best)
                break;
            take(*best);
        }
    }
    return chosen;
}

} // namespace

std::vector<Position> choosePositions(int keyIndex, int typeIndex, const Tuning& tuning)
{
    const ChordTones chord = chordTones(keyIndex, typeIndex);
    const std::optional<Template> openBarre = openTuningBarre(tuning);
    std::vector<Candidate> candidates;
    for (const Candidate& c : candidatesFor(typeIndex, chord, tuning, openBarre ? &*openBarre : nullptr))
        if (admissible(c, tuning))
            candidates.push_back(c);

    // The program lists the positions by base fret, so the lowest one is
    // what the user sees first: for the common chords the opening form.
    // Harder forms below it are not stored, as long as the chord keeps
    // enough positions.
    std::vector<Candidate> chosen;
    std::optional<Voicing> opener;
    const bool common = std::find(CommonTypes.begin(), CommonTypes.end(), typeIndex) != CommonTypes.end();
    if (const Candidate* first = common ? openerOf(candidates) : nullptr) {
        opener = first->voicing;
        const int base = baseFretOf(first->voicing);
        std::vector<Candidate> above;
        for (const Candidate& c : candidates)
            if (baseFretOf(c.voicing) >= base)
                above.push_back(c);
        // The opener goes first, so that nothing else takes its place.
        std::stable_partition(above.begin(), above.end(), [&](const Candidate& c) { return c.voicing.frets == opener->frets; });
        dropRepeats(above, tuning);
        chosen = select(above, chord, tuning, base);
    }
    if (chosen.size() < MinPositions) {
        opener.reset();
        dropRepeats(candidates, tuning);
        chosen = select(candidates, chord, tuning, 0);
    }
    std::vector<Position> positions;
    for (const Candidate& c : chosen)
        positions.push_back({c.voicing, c.form});
    // On the lowest base fret the opener comes first, then the order of choice.
    std::stable_sort(positions.begin(), positions.end(), [&](const Position& a, const Position& b) {
        const bool aOpens = opener && a.voicing.frets == opener->frets;
        const bool bOpens = opener && b.voicing.frets == opener->frets;
        return std::pair(baseFretOf(a.voicing), !aOpens) < std::pair(baseFretOf(b.voicing), !bOpens);
    });
    return positions;
}

} // namespace lyrovan::chordgen
