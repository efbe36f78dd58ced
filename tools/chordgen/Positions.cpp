#include "Positions.h"

#include "theory/ChordTables.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>

namespace lyrovan::chordgen {

namespace {

// Shapes as guitarists learn them, each written in its own key. At home they
// are the open-position forms, shown before any other. Moved to other keys
// (open strings turning into a barre) they are a last resort before the
// search, for the chord types that the CAGED forms below serve badly.
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
// relative to the root's fret, as the major chord (or for the jazz forms the
// major seventh) lies in it. Other chord types move single notes of it by a
// fret or two: the third down for minor, the doubled root down to the
// seventh, and so on.
struct Template {
    int rootString; // 0 = string 6
    std::array<int, StringCount> offset;
    // The string of the third right above the root that makes the C and G
    // shapes what they are; it sounds and moves a fret at most. -1: none.
    int anchor = -1;
};

constexpr Template EShape{0, {0, 2, 2, 1, 0, 0}};               // 133211
constexpr Template AShape{1, {Unused, 0, 2, 2, 2, 0}};          // x13331
constexpr Template DShape{2, {Unused, Unused, 0, 2, 3, 2}};     // xx1343
constexpr Template CShape{1, {Unused, 0, -1, -3, -2, -3}, 2};   // x43121
constexpr Template GShape{0, {0, -1, -3, -3, -3, 0}, 1};        // 432224
constexpr Template Jazz6{0, {0, Gap, 1, 1, 0, Unused}};         // 1x221x: root, 7, 3, 5
constexpr Template Jazz5{1, {Unused, 0, Gap, 1, 2, 0}};         // x1x231: root, 7, 3, 5

// How a form is fitted to a chord.
enum class Fit {
    Whole,      // the strings of the template; outer strings may be left out
    Top,        // strings 4..1 of the template, all sounding
    Middle,     // strings 5..2
    Bottom,     // strings 6..3
    FifthBelow, // the whole form with the fifth added on the string below the root
    ThirdBelow, // strings 5..2 of the form, its bass moved up from the root to the third
};

struct Form {
    std::string_view label;
    const Template* shape;
    Fit fit;
    bool extendedOnly; // for sixth, seventh and extended chords only
};

// The A and D shape forms with the fifth added below their root (557765,
// x55767). A chord gets one of them, as a variant of the plain form that is
// taught first: from the A shape for triads, where the index barre lies across
// all six strings anyway, from the D shape for the others. Not for the major
// chord: C over G is taught as an inversion, not as C.
constexpr Form AFifthBelow{"A shape, fifth below", &AShape, Fit::FifthBelow, false};
constexpr Form DFifthBelow{"D shape, fifth below", &DShape, Fit::FifthBelow, false};
constexpr int MaxFifthBelow = 1;
constexpr int MaxThirdBass = 1;
constexpr int MajorType = 0;

// The movable forms in the order of choice: barre forms with the root on
// string 6 and 5, the jazz forms, the rest of the CAGED system, then the
// small forms on four strings. The entry without a shape stands for the
// two forms with the fifth below.
constexpr Form Forms[] = {
    {"E shape", &EShape, Fit::Whole, false},
    {"A shape", &AShape, Fit::Whole, false},
    {"jazz, root on 6", &Jazz6, Fit::Whole, true},
    {"C shape", &CShape, Fit::Whole, false},
    {"D shape", &DShape, Fit::Whole, false},
    {"G shape", &GShape, Fit::Whole, false},
    {"small, E shape", &EShape, Fit::Top, false},
    {"", nullptr, Fit::FifthBelow, false},
    {"small, G shape", &GShape, Fit::Top, true},
    {"jazz, root on 5", &Jazz5, Fit::Whole, true},
    {"small, A shape", &AShape, Fit::Top, false},
    {"small, C shape", &CShape, Fit::Middle, false},
    {"small, G shape, bass strings", &GShape, Fit::Bottom, false},
    {"A shape, third in the bass", &AShape, Fit::ThirdBelow, false},
};

// Of one CAGED form a chord gets the form itself and one variant (small or
// with the fifth below), so that the other forms find room.
constexpr int MaxPerShape = 2;
constexpr int EnoughPositions = 6; // the search fills up to this many
constexpr int PoorScore = 30;      // beyond the fewest, it stops at scores above this
constexpr int UpperNeckCost = 20;  // for a search find above UpperNeckFret
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

bool sounds(const ChordTones& chord, int string, int fret)
{
    return (chord.allowedMask & (1 << ((OpenStringMidi[string] + fret) % 12))) != 0;
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
int rootFretOf(const Template& shape, const ChordTones& chord)
{
    const int openPc = OpenStringMidi[shape.rootString] % 12;
    int root = ((chord.rootPc - openPc) % 12 + 12) % 12;
    while (root + lowestOffset(shape) < 0)
        root += 12;
    return root;
}

// The easiest voicing of chord that keeps closest to shape with its root on
// rootFret; lo..hi is the window of strings that must all sound, or -1..-1
// for the whole form.
std::optional<Voicing> fitShape(const Template& shape, int rootFret, const ChordTones& chord, int lo, int hi)
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
        for (int f = std::max(lowestFret, target[s] - reach); f <= std::min(MaxFret, target[s] + reach); ++f)
            if (sounds(chord, s, f))
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
            std::optional<Voicing> v = makeVoicing(frets, chord);
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
                 present | (1 << ((OpenStringMidi[s] + f) % 12)), closeness + std::abs(f - target[s]));
        }
    };
    walk(walk, 0, 0, 0, 0, 0);
    return best;
}

struct Candidate {
    Voicing voicing;
    std::string_view form;
    bool fifthBelow = false;         // a form with the fifth added below its root
    const Template* shape = nullptr; // the CAGED form it is fitted from, if any
};

// The form fitted to chord, if it can be played.
std::optional<Voicing> fitForm(const Form& form, const ChordTones& chord)
{
    const Template& shape = *form.shape;
    const int root = rootFretOf(shape, chord);
    // At the nut a small or jazz form would only be an open chord with
    // strings left out.
    const bool atNut = root + lowestOffset(shape) == 0;
    const bool jazz = std::find(shape.offset.begin(), shape.offset.end(), Gap) != shape.offset.end();
    if (atNut && (form.fit != Fit::Whole || jazz))
        return std::nullopt;
    switch (form.fit) {
    case Fit::Whole:
        return fitShape(shape, root, chord, -1, -1);
    case Fit::Top:
        return fitShape(shape, root, chord, 2, 5);
    case Fit::Middle:
        return fitShape(shape, root, chord, 1, 4);
    case Fit::Bottom:
        return fitShape(shape, root, chord, 0, 3);
    case Fit::FifthBelow: {
        // The barre of the form reaches over the next lower string, where
        // it sounds the fifth (x57765 becomes 557765).
        const std::optional<Voicing> plain = fitShape(shape, root, chord, -1, -1);
        const int below = shape.rootString - 1;
        if (!plain || below < 0 || plain->frets[below] != Muted)
            return std::nullopt;
        Frets frets = plain->frets;
        frets[below] = root;
        return makeVoicing(frets, chord);
    }
    case Fit::ThirdBelow: {
        // The minor chord's first inversion on the middle strings: the A
        // shape's root on string 5 gives way to the third above it, and the
        // top string is left off (x57765 becomes x8776x). Taught for the
        // minor triad only.
        if (chord.toneCount != 3 || chord.minorThirdPc < 0 || chord.fifthPc < 0)
            return std::nullopt;
        const std::optional<Voicing> plain = fitShape(shape, root, chord, -1, -1);
        if (!plain)
            return std::nullopt;
        Frets frets = plain->frets;
        frets[shape.rootString] = root + 3;
        frets[StringCount - 1] = Muted;
        return makeVoicing(frets, chord, true);
    }
    }
    return std::nullopt;
}

// A known shape moved to the key of chord, to the place where its lowest
// fret lies on 1..12; open strings become frets of a barre.
std::optional<Voicing> movedShape(const Shape& shape, const ChordTones& chord)
{
    const std::optional<Frets> frets = parseShape(shape.frets);
    const int home = keyIndexOf(shape.key);
    if (!frets || home < 0)
        return std::nullopt;
    int lowest = MaxFret;
    for (int f : *frets)
        if (f != Muted)
            lowest = std::min(lowest, f);
    int shift = ((chord.rootPc - pitchClassOfKey(home)) % 12 + 12) % 12;
    while (lowest + shift < 1)
        shift += 12;
    const Frets moved = shifted(*frets, shift);
    if (highestPressed(moved) > MaxFret)
        return std::nullopt;
    return makeVoicing(moved, chord);
}

// The candidates for a chord in the order of choice.
std::vector<Candidate> candidatesFor(int keyIndex, int typeIndex, const ChordTones& chord)
{
    std::vector<Candidate> out;
    // Open-position forms, in the order of the table.
    for (const Shape& shape : ShapeTable) {
        if (shape.typeIndex != typeIndex || keyIndexOf(shape.key) != keyIndex)
            continue;
        const std::optional<Frets> frets = parseShape(shape.frets);
        if (frets)
            if (std::optional<Voicing> v = makeVoicing(*frets, chord))
                out.push_back({*v, hasOpenString(*frets) ? "open" : "known form"});
    }
    for (const Form& form : Forms) {
        if (form.extendedOnly && chord.toneCount < 4)
            continue;
        if (form.fit == Fit::FifthBelow) {
            if (typeIndex == MajorType)
                continue;
            const bool triad = chord.toneCount < 4;
            for (const Form* below : {triad ? &AFifthBelow : &DFifthBelow, triad ? &DFifthBelow : &AFifthBelow})
                if (std::optional<Voicing> v = fitForm(*below, chord))
                    out.push_back({*v, below->label, true, below->shape});
            continue;
        }
        // The inversion is a form of its own, beside the shape's two.
        if (std::optional<Voicing> v = fitForm(form, chord))
            out.push_back({*v, form.label, false, form.fit == Fit::ThirdBelow ? nullptr : form.shape});
    }
    // Known shapes moved here, the easier first.
    std::vector<Candidate> moved;
    for (const Shape& shape : ShapeTable)
        if (shape.typeIndex == typeIndex)
            if (std::optional<Voicing> v = movedShape(shape, chord))
                moved.push_back({*v, MovedLabel});
    std::stable_sort(moved.begin(), moved.end(), [](const Candidate& a, const Candidate& b) {
        return std::tuple(a.voicing.score, a.voicing.frets) < std::tuple(b.voicing.score, b.voicing.frets);
    });
    out.insert(out.end(), moved.begin(), moved.end());
    return out;
}

// Crowding by already chosen positions near the same place on the neck,
// for the search to spread what it adds.
int crowding(const Frets& frets, const std::vector<Position>& chosen)
{
    auto place = [](const Frets& f) { return hasOpenString(f) ? 0 : lowestPressed(f); };
    int penalty = 0;
    for (const Position& p : chosen)
        penalty += std::max(0, 3 - std::abs(place(frets) - place(p.voicing.frets))) * 4;
    return penalty;
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
    for (int shift : {12, -12}) {
        const Frets moved = shifted(a, shift);
        if (std::any_of(moved.begin(), moved.end(), [](int f) { return f != Muted && (f < 0 || f > MaxFret); }))
            continue;
        if (within(moved, b) || within(b, moved))
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

std::vector<Voicing> searchNeck(const ChordTones& chord)
{
    std::vector<Voicing> found;
    // base 0: open and muted strings only; otherwise the lowest pressed fret.
    for (int base = 0; base <= MaxFret; ++base) {
        std::array<std::vector<int>, StringCount> options;
        for (int s = 0; s < StringCount; ++s) {
            options[s].push_back(Muted);
            if (base <= DiagramRows - 1 && sounds(chord, s, 0))
                options[s].push_back(0);
            if (base == 0)
                continue;
            for (int f = base; f <= std::min(base + MaxSpan, MaxFret); ++f)
                if (sounds(chord, s, f))
                    options[s].push_back(f);
        }
        Frets frets{};
        auto walk = [&](auto&& self, int s, int present, bool atBase) -> void {
            if (s == StringCount) {
                if ((present & chord.requiredMask) != chord.requiredMask || (base > 0 && !atBase))
                    return;
                if (std::optional<Voicing> v = makeVoicing(frets, chord))
                    found.push_back(*v);
                return;
            }
            for (int f : options[s]) {
                frets[s] = f;
                const int pc = (OpenStringMidi[s] + f) % 12;
                self(self, s + 1, f == Muted ? present : present | (1 << pc), atBase || f == base);
            }
        };
        walk(walk, 0, 0, false);
    }
    return found;
}

std::vector<Position> choosePositions(int keyIndex, int typeIndex)
{
    const ChordTones chord = chordTones(keyIndex, typeIndex);
    std::vector<Position> chosen;
    std::vector<const Template*> shapes; // of the chosen positions
    int fifthBass = 0, upperNeck = 0, fifthBelow = 0, thirdBass = 0;
    auto allowed = [&](const Candidate& c) {
        const Voicing& v = c.voicing;
        if ((v.fifthInBass && fifthBass >= MaxFifthBass) || (startsHigh(v.frets) && upperNeck >= MaxUpperNeck)
            || (c.fifthBelow && fifthBelow >= MaxFifthBelow) || (v.thirdInBass && thirdBass >= MaxThirdBass)
            || (c.shape && std::count(shapes.begin(), shapes.end(), c.shape) >= MaxPerShape))
            return false;
        return std::none_of(chosen.begin(), chosen.end(), [&](const Position& p) {
            const Frets& other = p.voicing.frets;
            return other == v.frets || isTrebleCut(v.frets, other) || isTrebleCut(other, v.frets)
                || isOctaveCopy(v.frets, other);
        });
    };
    auto take = [&](const Candidate& c) {
        chosen.push_back({c.voicing, c.form});
        shapes.push_back(c.shape);
        fifthBass += c.voicing.fifthInBass ? 1 : 0;
        fifthBelow += c.fifthBelow ? 1 : 0;
        thirdBass += c.voicing.thirdInBass ? 1 : 0;
        upperNeck += startsHigh(c.voicing.frets) ? 1 : 0;
    };
    for (const Candidate& c : candidatesFor(keyIndex, typeIndex, chord)) {
        if (chosen.size() >= MaxPositions)
            break;
        if (allowed(c))
            take(c);
    }
    // Where the forms leave a chord short, a search of the neck fills up:
    // the easiest positions, spread along the neck, and beyond the fewest
    // allowed only while they are easy.
    if (chosen.size() < EnoughPositions) {
        std::vector<Candidate> found;
        for (Voicing& v : searchNeck(chord)) {
            v.score += awkwardness(v) + (startsHigh(v.frets) ? UpperNeckCost : 0);
            found.push_back({v, SearchLabel});
        }
        while (chosen.size() < EnoughPositions) {
            const Candidate* best = nullptr;
            int bestScore = 0;
            for (const Candidate& c : found) {
                if (!allowed(c))
                    continue;
                const int adjusted = c.voicing.score + crowding(c.voicing.frets, chosen);
                if (!best || adjusted < bestScore) {
                    best = &c;
                    bestScore = adjusted;
                }
            }
            if (!best || (chosen.size() >= MinPositions && bestScore > PoorScore))
                break;
            take(*best);
        }
    }
    // The program shows them by base fret; on one base fret the earlier choice comes first.
    std::stable_sort(chosen.begin(), chosen.end(), [](const Position& a, const Position& b) {
        return encodeDiagram(a.voicing).baseFret < encodeDiagram(b.voicing).baseFret;
    });
    return chosen;
}

} // namespace lyrovan::chordgen
