#include "Positions.h"

#include "theory/ChordTables.h"

#include <algorithm>
#include <array>
#include <map>
#include <tuple>

namespace lyrovan::chordgen {

namespace {

// Shapes as guitarists know them, each written in the key it is usually
// learnt in. Core shapes (the barre chords with the root on string 6 or 5)
// appear in every key; every shape appears as written in its own key; moved
// to other keys they compete with the search results on playing comfort.
constexpr Shape ShapeTable[] = {
    // major
    {0, "C ", "x32010", false},
    {0, "A ", "x02220", true},
    {0, "G ", "320003", false},
    {0, "E ", "022100", true},
    {0, "D ", "xx0232", false},
    // sixth and major sixth
    {1, "A ", "x02222", false},
    {1, "C ", "x32210", false},
    {1, "D ", "xx0202", false},
    {1, "E ", "022120", false},
    {1, "G ", "320000", false},
    {7, "A ", "x02222", false},
    {7, "C ", "x32210", false},
    {7, "D ", "xx0202", false},
    {7, "E ", "022120", false},
    {7, "G ", "320000", false},
    // seventh
    {2, "C ", "x32310", false},
    {2, "A ", "x02020", true},
    {2, "G ", "320001", false},
    {2, "E ", "020100", true},
    {2, "E ", "022130", false},
    {2, "D ", "xx0212", false},
    {2, "B ", "x21202", false},
    // ninth
    {3, "C ", "x3233x", false},
    {3, "E ", "020102", false},
    {3, "A ", "x02423", false},
    {3, "G ", "3x0201", false},
    // thirteenth
    {6, "E ", "020120", false},
    {6, "A ", "x02022", false},
    {6, "G ", "3x3450", false},
    // major seventh
    {8, "C ", "x32000", false},
    {8, "A ", "x02120", true},
    {8, "E ", "0x110x", true},
    {8, "E ", "021100", false},
    {8, "D ", "xx0222", false},
    {8, "F ", "xx3210", false},
    {8, "G ", "320002", false},
    // major ninth
    {9, "C ", "x32430", false},
    {9, "C ", "x30000", false},
    // seventh, flat ninth
    {12, "E ", "020101", false},
    // seventh, flat tenth (the seventh with both thirds)
    {13, "E ", "x7678x", false},
    // sixth, ninth
    {17, "C ", "x32233", false},
    // diminished
    {18, "D ", "xx0101", false},
    // augmented
    {19, "C ", "x32110", false},
    {19, "E ", "032110", false},
    // suspended fourth
    {20, "A ", "x02230", false},
    {20, "D ", "xx0233", false},
    {20, "E ", "022200", false},
    {20, "C ", "x33011", false},
    {20, "G ", "330013", false},
    // seventh, suspended fourth
    {21, "A ", "x02030", false},
    {21, "E ", "020200", false},
    {21, "D ", "xx0213", false},
    {21, "C ", "x33311", false},
    {21, "G ", "330011", false},
    // minor
    {22, "A ", "x02210", true},
    {22, "E ", "022000", true},
    {22, "D ", "xx0231", false},
    {22, "C ", "x3101x", false},
    // minor sixth
    {23, "A ", "x02212", false},
    {23, "E ", "022020", false},
    {23, "D ", "xx0201", false},
    // minor seventh
    {24, "A ", "x02010", true},
    {24, "E ", "020000", true},
    {24, "E ", "022030", false},
    {24, "D ", "xx0211", false},
    // minor ninth
    {25, "E ", "020002", false},
    // minor seventh, flat fifth
    {26, "B ", "x2323x", false},
    // minor, major seventh
    {28, "A ", "x02110", false},
    {28, "E ", "021000", false},
    {28, "D ", "xx0221", false},
};

constexpr int ShapeBonus = 10;  // a moved known shape beats an equal search find
constexpr int MaxFifthBass = 1; // positions per chord with the fifth as bass
constexpr int EnoughPositions = 6;
constexpr int PoorScore = 30; // beyond EnoughPositions, stop at scores above this

// Where along the neck the hand is: the lowest pressed fret, 0 at the nut.
int neckPlace(const Frets& frets)
{
    return hasOpenString(frets) ? 0 : lowestPressed(frets);
}

// Crowding by already chosen positions near the same place on the neck.
int crowding(const Frets& frets, const std::vector<Voicing>& chosen)
{
    int penalty = 0;
    const int place = neckPlace(frets);
    for (const Voicing& v : chosen)
        penalty += std::max(0, 3 - std::abs(place - neckPlace(v.frets))) * 4;
    return penalty;
}

bool clashes(const Frets& frets, const std::vector<Voicing>& chosen)
{
    return std::any_of(chosen.begin(), chosen.end(), [&](const Voicing& v) {
        return v.frets == frets || isSubsetOf(frets, v.frets) || isSubsetOf(v.frets, frets);
    });
}

struct Candidate {
    Voicing voicing;
    bool core = false;
};

// The shape moved by shift frets; nothing if it leaves the neck or an open
// string would have to go below the nut.
std::optional<Frets> moveShape(const Frets& shape, int shift)
{
    Frets moved = shape;
    for (int& f : moved) {
        if (f == Muted || (f == 0 && shift == 0))
            continue;
        f += shift; // an open string becomes a fret of the barre
        if (f < 1 || f > MaxFret)
            return std::nullopt;
    }
    return moved;
}

void addShapes(int typeIndex, const ChordTones& chord, std::map<Frets, Candidate>& out)
{
    const int keyPc = chord.rootPc;
    for (const Shape& shape : ShapeTable) {
        if (shape.typeIndex != typeIndex)
            continue;
        const std::optional<Frets> frets = parseShape(shape.frets);
        const int homeIndex = keyIndexOf(shape.key);
        if (!frets || homeIndex < 0)
            continue;
        const int homePc = PitchClassOf(Keys[homeIndex].noteRow.substr(0, 2));
        bool coreBarreTaken = false;
        for (int shift = -MaxFret; shift <= MaxFret; ++shift) {
            if (((homePc + shift) % 12 + 12) % 12 != keyPc)
                continue;
            const std::optional<Frets> moved = moveShape(*frets, shift);
            if (!moved)
                continue;
            std::optional<Voicing> v = makeVoicing(*moved, chord);
            if (!v)
                continue;
            Candidate c{*v, false};
            if (shift == 0) {
                c.core = true; // as learnt, in its own key
            } else if (shape.core && shift > 0 && !coreBarreTaken) {
                c.core = true; // the barre form lowest on the neck
                coreBarreTaken = true;
            }
            c.voicing.score -= ShapeBonus;
            auto [it, inserted] = out.try_emplace(*moved, c);
            if (!inserted) {
                it->second.core = it->second.core || c.core;
                it->second.voicing.score = std::min(it->second.voicing.score, c.voicing.score);
            }
        }
    }
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

std::vector<Voicing> searchNeck(const ChordTones& chord)
{
    std::vector<Voicing> found;
    // base 0: open and muted strings only; otherwise the lowest pressed fret.
    for (int base = 0; base <= MaxFret; ++base) {
        std::array<std::vector<int>, StringCount> options;
        for (int s = 0; s < StringCount; ++s) {
            options[s].push_back(Muted);
            if (base <= DiagramRows - 1 && (chord.allowedMask & (1 << (OpenStringMidi[s] % 12))) != 0)
                options[s].push_back(0);
            if (base == 0)
                continue;
            for (int f = base; f <= std::min(base + MaxSpan, MaxFret); ++f)
                if ((chord.allowedMask & (1 << ((OpenStringMidi[s] + f) % 12))) != 0)
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

std::vector<Voicing> choosePositions(int keyIndex, int typeIndex)
{
    const ChordTones chord = chordTones(keyIndex, typeIndex);
    std::map<Frets, Candidate> byFrets;
    addShapes(typeIndex, chord, byFrets);
    for (const Voicing& v : searchNeck(chord))
        byFrets.try_emplace(v.frets, Candidate{v, false});
    // Hard stretches stay possible but lose to easier positions.
    for (auto& [frets, c] : byFrets)
        c.voicing.score += awkwardness(c.voicing);

    std::vector<Candidate> candidates;
    candidates.reserve(byFrets.size());
    for (const auto& [frets, c] : byFrets)
        candidates.push_back(c);
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return std::tuple(!a.core, a.voicing.score, a.voicing.frets)
            < std::tuple(!b.core, b.voicing.score, b.voicing.frets);
    });

    std::vector<Voicing> chosen;
    int fifthBass = 0;
    auto allowed = [&](const Voicing& v) {
        return !clashes(v.frets, chosen) && (!v.fifthInBass || fifthBass < MaxFifthBass);
    };
    auto take = [&](const Voicing& v) {
        chosen.push_back(v);
        fifthBass += v.fifthInBass ? 1 : 0;
    };
    for (const Candidate& c : candidates)
        if (c.core && chosen.size() < MaxPositions && allowed(c.voicing))
            take(c.voicing);
    while (chosen.size() < MaxPositions) {
        const Voicing* best = nullptr;
        int bestScore = 0;
        for (const Candidate& c : candidates) {
            if (c.core || !allowed(c.voicing))
                continue;
            const int adjusted = c.voicing.score + crowding(c.voicing.frets, chosen);
            if (!best || adjusted < bestScore) {
                best = &c.voicing;
                bestScore = adjusted;
            }
        }
        if (!best || (chosen.size() >= EnoughPositions && bestScore > PoorScore))
            break;
        take(*best);
    }

    std::sort(chosen.begin(), chosen.end(), [](const Voicing& a, const Voicing& b) {
        return std::pair(encodeDiagram(a).baseFret, a.frets) < std::pair(encodeDiagram(b).baseFret, b.frets);
    });
    return chosen;
}

} // namespace lyrovan::chordgen
