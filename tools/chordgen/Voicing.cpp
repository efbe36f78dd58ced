#include "Voicing.h"

#include "theory/ChordTables.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace lyrovan::chordgen {

namespace {

struct OptionalTones {
    int typeIndex;
    std::string_view digits;
};

// The formula tones a chord may leave out; every other tone must sound.
// The fifth ("8") may go from the sixth, seventh and ninth chords, never from
// triads or where it is altered. The eleventh and thirteenth chords may also
// lose their upper extensions ("3" = the second, "7" = the sharp eleventh)
// and the eleventh its third ("5").
constexpr std::array<OptionalTones, 22> OptionalTable{{
    {1, "8"},   // sixth
    {2, "8"},   // seventh
    {3, "8"},   // ninth
    {4, "835"}, // eleventh
    {5, "83"},  // eleventh sharp
    {6, "837"}, // thirteenth
    {7, "8"},   // major sixth
    {8, "8"},   // major seventh
    {9, "8"},   // major ninth
    {10, "3"},  // major eleventh
    {12, "8"},  // seventh, flat ninth
    {13, "8"},  // seventh, flat tenth
    {17, "8"},  // sixth, ninth
    {21, "8"},  // seventh, suspended fourth
    {23, "8"},  // minor sixth
    {24, "8"},  // minor seventh
    {25, "8"},  // minor ninth
    {27, "8"},  // minor seventh, flat ninth
    {28, "8"},  // minor, major seventh
    {29, "8"},  // minor ninth, major seventh
    {31, "8"},  // minor sixth, ninth
    {-1, ""},
}};

constexpr char PerfectFifthDigit = '8';
constexpr char MinorThirdDigit = '4';
constexpr int BarreCost = 1;
constexpr int TopBarreCost = 6;
constexpr int ThumbCost = 8;
constexpr int ThumbReach = 1; // frets between the thumb and the index finger
constexpr int PerfectFifth = 7; // semitones
constexpr int HandShiftCost = 2;  // per fret the hand moves up from the nut
constexpr int CrowdedFretCost = 4; // four fingers on one fret
// Weights of awkwardness(); comparable with the score of a voicing.
constexpr int CrowdedFretAwkwardness = 10;
constexpr int BassReachAwkwardness = 10;
constexpr int LowReachAwkwardness = 10;

int pitchClassOfDigit(int rootPc, char digit)
{
    return (rootPc + FormulaDigitValue(digit) - 1) % 12;
}

} // namespace

std::string_view optionalDigits(int typeIndex)
{
    for (const OptionalTones& entry : OptionalTable)
        if (entry.typeIndex == typeIndex)
            return entry.digits;
    return {};
}

ChordTones chordTones(int keyIndex, int typeIndex)
{
    ChordTones tones;
    tones.rootPc = PitchClassOf(Keys[keyIndex].noteRow.substr(0, 2));
    const std::string_view formula = ChordTypes[typeIndex].formula;
    const std::string_view optional = optionalDigits(typeIndex);
    tones.toneCount = static_cast<int>(formula.size());
    for (char digit : formula) {
        const int bit = 1 << pitchClassOfDigit(tones.rootPc, digit);
        tones.allowedMask |= bit;
        if (optional.find(digit) == std::string_view::npos)
            tones.requiredMask |= bit;
        else
            tones.optionalMask |= bit;
        if (digit == PerfectFifthDigit)
            tones.fifthPc = pitchClassOfDigit(tones.rootPc, digit);
        if (digit == MinorThirdDigit)
            tones.minorThirdPc = pitchClassOfDigit(tones.rootPc, digit);
    }
    return tones;
}

int soundingCount(const Frets& frets)
{
    return static_cast<int>(std::count_if(frets.begin(), frets.end(), [](int f) { return f != Muted; }));
}

int lowestPressed(const Frets& frets)
{
    int lowest = 0;
    for (int f : frets)
        if (f > 0 && (lowest == 0 || f < lowest))
            lowest = f;
    return lowest;
}

int highestPressed(const Frets& frets)
{
    return std::max(0, *std::max_element(frets.begin(), frets.end()));
}

bool hasOpenString(const Frets& frets)
{
    return std::find(frets.begin(), frets.end(), 0) != frets.end();
}

bool isSubsetOf(const Frets& a, const Frets& b)
{
    for (int s = 0; s < StringCount; ++s)
        if (a[s] != Muted && a[s] != b[s])
            return false;
    return soundingCount(a) < soundingCount(b);
}

int bassString(const Frets& frets)
{
    int s = 0;
    while (s < StringCount && frets[s] == Muted)
        ++s;
    return s;
}

Frets shifted(const Frets& frets, int shift)
{
    Frets moved = frets;
    for (int& f : moved)
        if (f != Muted)
            f += shift;
    return moved;
}

namespace {

// Best assignment of fingers 1..4 to the pressed strings, leaving string 6
// alone when the thumb takes it. With topBarre the barre is not the index
// on the lowest fret but the ring or little finger on the highest one.
std::optional<FingerChoice> fingersFor(const Frets& frets, bool thumbOnLowString, bool topBarre)
{
    struct Press {
        int fret;
        int string;
    };
    std::vector<Press> presses;
    for (int s = thumbOnLowString ? 1 : 0; s < StringCount; ++s)
        if (frets[s] > 0)
            presses.push_back({frets[s], s});
    // Fingers rise with the fret and, on one fret, from the lower string up,
    // so in this order a valid assignment never goes down.
    std::sort(presses.begin(), presses.end(), [](const Press& a, const Press& b) {
        return a.fret != b.fret ? a.fret < b.fret : a.string < b.string;
    });
    const int count = static_cast<int>(presses.size());
    if (count == 0)
        return FingerChoice{};

    const int minFret = presses.front().fret;
    const int maxFret = presses.back().fret;
    // Near the nut with open strings ringing, the hand stays in the first
    // position and fingers follow the frets themselves (open C: 3 2 . 1 .).
    // For a barre it may move up to lay the index across the lowest fret
    // (x33330), at a cost for each fret it leaves the nut behind. Elsewhere
    // the hand sits at the lowest fret.
    const bool firstPosition = hasOpenString(frets) && minFret <= 3;

    std::optional<FingerChoice> best;
    std::vector<int> seq(count, 0);
    auto strain = [&](int handFret) {
        int cost = 0;
        for (int i = 0; i < count; ++i) {
            // A finger lying flat on the highest fret strains once.
            if (topBarre && i > 0 && seq[i] == seq[i - 1])
                continue;
            const int d = seq[i] - (presses[i].fret - handFret + 1);
            cost += d * d;
        }
        return cost;
    };
    auto evaluate = [&]() {
        // Finger 1 alone may cover several strings, as a barre; in the
        // fallback the last finger does, on the highest fret.
        const int barreFinger = topBarre ? seq[count - 1] : 1;
        const int barreFret = topBarre ? maxFret : minFret;
        int barreLow = StringCount, barreHigh = -1, barreStrings = 0;
        for (int i = 0; i < count; ++i)
            if (seq[i] == barreFinger && presses[i].fret == barreFret) {
                barreLow = std::min(barreLow, presses[i].string);
                barreHigh = std::max(barreHigh, presses[i].string);
                ++barreStrings;
            }
        const bool barre = barreStrings > 1;
        if (topBarre && !barre)
            return; // the fallback is only for a barre on the highest fret
        for (int i = 1; i < count; ++i)
            if (seq[i] == seq[i - 1] && seq[i] != barreFinger)
                return; // only the barre finger presses two strings
        if (barre)
            for (int s = barreLow + 1; s < barreHigh; ++s)
                if (frets[s] <= 0 || (topBarre && frets[s] != barreFret))
                    return; // an open or muted string under the barre
        for (int i = 0; i < count; ++i)
            for (int j = i + 1; j < count; ++j)
                if (seq[j] > seq[i] && presses[j].fret - presses[i].fret > seq[j] - seq[i] + 1)
                    return; // too wide a stretch between two fingers
        int cost = barre ? (topBarre ? TopBarreCost : BarreCost) : 0;
        if (firstPosition && barre)
            cost += std::min(strain(1), strain(minFret) + (minFret - 1) * HandShiftCost);
        else if (firstPosition)
            cost += strain(1);
        else
            cost += strain(minFret);
        // Four fingers side by side on one fret crowd each other.
        int fingersOnFret = 1;
        for (int i = 1; i < count; ++i) {
            if (presses[i].fret != presses[i - 1].fret)
                fingersOnFret = 1;
            else if (seq[i] != seq[i - 1] && ++fingersOnFret == 4)
                cost += CrowdedFretCost;
        }
        // Among equals the later (higher-numbered) assignment wins.
        if (!best || cost <= best->cost) {
            FingerChoice choice;
            choice.barre = barre;
            choice.cost = cost;
            for (int i = 0; i < count; ++i)
                choice.fingers[presses[i].string] = static_cast<char>('0' + seq[i]);
            best = choice;
        }
    };
    auto place = [&](auto&& self, int i) -> void {
        if (i == count) {
            evaluate();
            return;
        }
        const int from = i == 0 ? 1 : seq[i - 1];
        for (int finger = from; finger <= 4; ++finger) {
            if (i > 0 && finger == seq[i - 1]) {
                // The same finger again: only finger 1 barring the lowest
                // fret or, in the fallback, the ring or little finger
                // barring the highest.
                const bool indexBarre = !topBarre && finger == 1 && presses[i].fret == minFret;
                const bool highBarre = topBarre && finger >= 3 && presses[i].fret == maxFret
                    && presses[i - 1].fret == maxFret;
                if (!indexBarre && !highBarre)
                    continue;
            }
            seq[i] = finger;
            self(self, i + 1);
        }
    };
    place(place, 0);
    return best;
}

} // namespace

int crowdedFrets(const Frets& frets, const Fingers& fingers)
{
    int crowded = 0;
    for (int fret = 1; fret <= MaxFret; ++fret) {
        int used = 0;
        for (char finger : {'1', '2', '3', '4'})
            for (int s = 0; s < StringCount; ++s)
                if (frets[s] == fret && fingers[s] == finger) {
                    ++used;
                    break;
                }
        crowded += used == 4 ? 1 : 0;
    }
    return crowded;
}

std::optional<FingerChoice> assignFingers(const Frets& frets, bool thumb)
{
    std::optional<FingerChoice> hand = fingersFor(frets, false, false);
    // Rather than four fingers side by side on one fret, the ring or little
    // finger lies across the strings there (1x333x).
    if (!hand || crowdedFrets(frets, hand->fingers) > 0)
        if (std::optional<FingerChoice> flat = fingersFor(frets, false, true))
            return flat;
    if (hand || !thumb)
        return hand;
    // The thumb wrapped over the neck holds the bass on string 6.
    if (frets[0] <= 0 || frets[0] > lowestPressed(frets) + ThumbReach)
        return std::nullopt;
    hand = fingersFor(frets, true, false);
    Frets fingered = frets;
    fingered[0] = Muted;
    if (!hand || frets[0] - lowestPressed(fingered) > ThumbReach || lowestPressed(fingered) - frets[0] > ThumbReach)
        return std::nullopt;
    hand->fingers[0] = Thumb;
    hand->cost += ThumbCost;
    return hand;
}

std::optional<Voicing> makeVoicing(const Frets& frets, const ChordTones& chord, const Tuning& tuning, bool thumb)
{
    int first = -1, last = -1;
    for (int s = 0; s < StringCount; ++s) {
        if (frets[s] < Muted || frets[s] > MaxFret)
            return std::nullopt;
        if (frets[s] != Muted) {
            if (first < 0)
                first = s;
            last = s;
        }
    }
    const int sounding = soundingCount(frets);
    // The triad on the three highest strings, and the shell on the root.
    const bool topTriad = sounding == 3 && first == StringCount - 3 && chord.toneCount == 3;
    const bool shell = sounding == 3 && first <= 1 && chord.toneCount >= 4;
    if (sounding < MinSounding && !topTriad && !shell)
        return std::nullopt;
    int innerMuted = 0;
    for (int s = first + 1; s < last; ++s)
        innerMuted += frets[s] == Muted ? 1 : 0;
    const bool jazzGap = innerMuted == 1 && chord.toneCount >= 4 && first <= 1;
    if (innerMuted > 0 && !jazzGap)
        return std::nullopt;

    int present = 0;
    int bassMidi = 1000, bassPc = -1;
    for (int s = 0; s < StringCount; ++s) {
        if (frets[s] == Muted)
            continue;
        const int midi = tuning[s] + frets[s];
        const int pc = midi % 12;
        if ((chord.allowedMask & (1 << pc)) == 0)
            return std::nullopt;
        present |= 1 << pc;
        if (midi < bassMidi) {
            bassMidi = midi;
            bassPc = pc;
        }
    }
    if ((present & chord.requiredMask) != chord.requiredMask)
        return std::nullopt;
    const bool inversion = bassPc != chord.rootPc;
    if (inversion && !topTriad)
        return std::nullopt;
    // The jazz forms and shells stand on the root, played on their lowest string.
    if ((innerMuted > 0 || shell) && tuning[first] + frets[first] != bassMidi)
        return std::nullopt;

    const int low = lowestPressed(frets), high = highestPressed(frets);
    if (low > 0 && high - low > MaxSpan)
        return std::nullopt;
    // Open strings only fit a diagram that starts at the nut.
    if (hasOpenString(frets) && high > DiagramRows - 1)
        return std::nullopt;

    const std::optional<FingerChoice> hand = assignFingers(frets, thumb);
    if (!hand)
        return std::nullopt;

    Voicing v;
    v.frets = frets;
    v.fingers = hand->fingers;
    v.inversion = inversion;
    v.droppedOptional = std::popcount(static_cast<unsigned>(chord.optionalMask & ~present));
    int fingersUsed = 0;
    for (char f : {'1', '2', '3', '4', Thumb})
        fingersUsed += std::find(v.fingers.begin(), v.fingers.end(), f) != v.fingers.end() ? 1 : 0;
    int mutedAbove = 0;
    for (int s = StringCount - 1; s >= 0 && frets[s] == Muted; --s)
        ++mutedAbove;
    v.score = (StringCount - sounding) * 3 + innerMuted * 4 + hand->cost + fingersUsed
        + (low > 0 ? (high - low) * 2 : 0) + v.droppedOptional * 3 + mutedAbove * 2
        + (hasOpenString(frets) ? -4 : 0);
    return v;
}

bool lowCluster(const Frets& frets, const Tuning& tuning)
{
    // String 6 and two of strings 5..3, all sounding within a fifth.
    constexpr int Lowest = 4;
    if (frets[0] == Muted)
        return false;
    for (int i = 1; i < Lowest; ++i)
        for (int j = i + 1; j < Lowest; ++j) {
            if (frets[i] == Muted || frets[j] == Muted)
                continue;
            const std::array<int, 3> notes{tuning[0] + frets[0], tuning[i] + frets[i], tuning[j] + frets[j]};
            const auto [low, high] = std::minmax_element(notes.begin(), notes.end());
            if (*high - *low <= PerfectFifth)
                return true;
        }
    return false;
}

bool soundsAlike(const Frets& a, const Frets& b, const Tuning& tuning)
{
    auto pitches = [&](const Frets& f) {
        std::array<bool, 128> on{};
        for (int s = 0; s < StringCount; ++s)
            if (f[s] != Muted)
                on[static_cast<std::size_t>(tuning[s] + f[s])] = true;
        return on;
    };
    return pitches(a) == pitches(b);
}

int awkwardness(const Voicing& voicing)
{
    const Frets& frets = voicing.frets;
    const Fingers& fingers = voicing.fingers;
    int awkward = crowdedFrets(frets, fingers) * CrowdedFretAwkwardness;

    int indexLow = StringCount, indexHigh = -1;
    for (int s = 0; s < StringCount; ++s)
        if (fingers[s] == '1') {
            indexLow = std::min(indexLow, s);
            indexHigh = std::max(indexHigh, s);
        }
    if (indexHigh < 0)
        return awkward;
    const int indexFret = frets[indexLow];
    // The middle strings (D, G, B) under the index finger lying flat.
    const bool innerBarre = indexHigh > indexLow && indexLow <= 4 && indexHigh >= 2;
    for (int s : {0, 1}) {
        if (s >= indexLow || frets[s] != indexFret + MaxSpan)
            continue;
        // The hand twists to reach back over the bass strings while the
        // index finger stays flat further up the neck.
        if (innerBarre && fingers[s] >= '2' && fingers[s] <= '4')
            awkward += BassReachAwkwardness;
        if (fingers[s] == '3' || fingers[s] == '4')
            awkward += LowReachAwkwardness;
    }
    return awkward;
}

Diagram encodeDiagram(const Voicing& voicing)
{
    const Frets& frets = voicing.frets;
    Diagram d;
    const bool atNut = hasOpenString(frets) || highestPressed(frets) <= DiagramRows - 1;
    d.baseFret = atNut ? 0 : lowestPressed(frets) - 1;
    d.cells.assign(StringCount * DiagramRows, ' ');
    for (int s = 0; s < StringCount; ++s) {
        const int column = StringCount - 1 - s; // string 1 (high e) comes first
        if (frets[s] == Muted)
            d.cells[column] = 'X';
        else if (frets[s] == 0)
            d.cells[column] = 'O';
        else
            d.cells[(frets[s] - d.baseFret) * StringCount + column] = voicing.fingers[s];
    }
    return d;
}

std::string shapeText(const Frets& frets)
{
    std::string text;
    for (int f : frets) {
        if (f == Muted)
            text += 'x';
        else if (f < 10)
            text += static_cast<char>('0' + f);
        else
            text += '(' + std::to_string(f) + ')';
    }
    return text;
}

} // namespace lyrovan::chordgen
