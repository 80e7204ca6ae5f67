#pragma once
// The piece as a list of notes: an eight-bar theme in A minor carried through
// builds, drops and breakdowns over changing chord cycles, each drop with its
// own lead, a counter-line, bass lines that follow the chords, pads, arpeggios
// and noise percussion; the last drop rises a tone.

#include <cstdint>
#include <vector>

#include "driver/show_timing.h"

enum class Voice {
  kick,
  clap,
  snare,
  closedHat,
  openHat,
  shaker,
  crash,
  bass,
  pad,
  arp,
  lead,    // detuned saws
  pulse,   // a reedy square lead
  bell,    // FM bell
  counter, // soft, hollow second voice
  riser,
  kickClick, // the kick's attack, apart from its sub
  impact,    // a sub boom on a drop's downbeat
  ride,
  air // high noise that swells, for the breakdowns
};

struct Note {
  Voice voice;
  std::int64_t start;  // frame of the piece
  std::int64_t length; // frames held (the sound may ring on after)
  double pitch;        // MIDI note number
  double velocity;     // 0..1
  double pan;          // -1 left .. 1 right
  double brightness;   // 0..1: filter opening, section energy
  std::uint64_t seed;  // the note's own noise
  double lowCut = 0.0; // Hz: a high-pass under the note, 0 for none
  double sub = 1.0;    // the bass: how much of its sine an octave down sounds
};

struct Score {
  std::vector<Note> notes;
  std::vector<std::int64_t> kicks; // start frames, for the pumping of the pads and bass
  std::int64_t frames = 0;         // length of the piece
};

inline constexpr double beatsPerMinute = 124.0;
// A sixteenth note in frames; positions are rounded from it, never accumulated.
inline constexpr double stepFrames = outputFrequency * 60.0 / beatsPerMinute / 4.0;
inline constexpr int stepsPerBar = 16;
// The off sixteenths lag by this share of a step: a light swing.
inline constexpr double swing = 0.08;

// The frame a step of the piece starts on, swing included.
std::int64_t stepStart(int step);

// The seed the show's music is composed from.
inline constexpr std::uint64_t pieceSeed = 0x731030321;

Score composeScore(std::uint64_t seed);

// The piece's sections in order, for tools that report on it part by part.
struct SectionSpan {
  const char* name;
  std::int64_t start, end; // frames
  int key = 0;             // semitones above A minor
};
std::vector<SectionSpan> sectionSpans();
