#pragma once
// Chords and the scale the piece moves in: A minor, with E major borrowed for
// the pull back home, and the whole of it lifted by a tone for the last drop.

#include <array>
#include <cstdlib>

struct Chord {
  int root;   // MIDI, octave 3 or 4
  bool major; // otherwise minor
  int third() const { return root + (major ? 4 : 3); }
  int fifth() const { return root + 7; }
  Chord transposed(int semitones) const { return {root + semitones, major}; }
};

namespace chords {
inline constexpr Chord Am{57, false}, Bb{58, true}, C{60, true}, Dm{62, false}, D{62, true},
    Em{64, false}, E{64, true}, F{53, true}, G{55, true};
}

// One chord a bar, four bars a cycle.
using Progression = std::array<Chord, 4>;
inline constexpr std::array<Progression, 5> progressions{
    {{chords::Am, chords::F, chords::C, chords::G},    // the theme's own
     {chords::F, chords::G, chords::Em, chords::Am},   // lifted
     {chords::Dm, chords::Am, chords::F, chords::E},   // darker, with a pull home
     {chords::Am, chords::C, chords::D, chords::F},    // the groove's, brighter
     {chords::F, chords::C, chords::Dm, chords::Bb}}}; // the breakdown's, open

// The chord tone of `chord` (any octave) nearest to `pitch`; ties go down.
inline int nearestChordTone(const Chord& chord, int pitch) {
  int best = pitch, bestDistance = 99;
  for (int octave = -5; octave <= 5; ++octave)
    for (const int tone : {chord.root, chord.third(), chord.fifth()}) {
      const int candidate = tone + 12 * octave;
      if (std::abs(candidate - pitch) < bestDistance) {
        best = candidate;
        bestDistance = std::abs(candidate - pitch);
      }
    }
  return best;
}

// `pitch` moved onto the scale of A minor that `chord` belongs to: the third
// of a major chord replaces the minor scale's tone a semitone below it.
inline int fitToChord(const Chord& chord, int pitch, int key) {
  constexpr std::array<bool, 12> inMinor{true,  false, true, true,  false, true,
                                         false, true,  true, false, true,  false}; // from A
  auto pitchClass = [](int p) { return (p % 12 + 12) % 12; };
  for (const int tone : {chord.root, chord.third(), chord.fifth()})
    if (pitchClass(pitch - tone) == 0)
      return pitch;
  if (chord.major && pitchClass(pitch - chord.third()) == 11)
    return pitch + 1;
  return inMinor[static_cast<std::size_t>(pitchClass(pitch - 57 - key))] ? pitch : pitch - 1;
}
