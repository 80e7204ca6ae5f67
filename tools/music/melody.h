#pragma once
// The piece's theme: eight bars over Am F C G, a four-bar call that ends open
// on G and an answer that climbs to A5 before it settles on the tonic. Drops,
// breakdowns and the outro each take it in their own way.

struct MelodyNote {
  int step;   // sixteenths from the start of the eight bars
  int pitch;  // MIDI
  int length; // sixteenths
};

inline constexpr int themeBars = 8;

inline constexpr MelodyNote theme[] = {
    // call
    {0, 76, 3},
    {3, 74, 3},
    {6, 72, 2},
    {8, 69, 4},
    {12, 72, 2},
    {14, 74, 2},
    {16, 72, 3},
    {19, 69, 3},
    {22, 72, 2},
    {24, 77, 6},
    {30, 76, 2},
    {32, 76, 3},
    {35, 74, 3},
    {38, 72, 2},
    {40, 67, 4},
    {44, 72, 2},
    {46, 76, 2},
    {48, 74, 6},
    {54, 71, 2},
    {56, 74, 4},
    {60, 79, 4},
    // answer
    {64, 76, 3},
    {67, 74, 3},
    {70, 72, 2},
    {72, 69, 4},
    {76, 72, 2},
    {78, 74, 2},
    {80, 72, 3},
    {83, 69, 3},
    {86, 72, 2},
    {88, 77, 4},
    {92, 81, 4},
    {96, 79, 3},
    {99, 77, 3},
    {102, 76, 2},
    {104, 72, 4},
    {108, 74, 2},
    {110, 76, 2},
    {112, 74, 4},
    {116, 71, 4},
    {120, 69, 4},
    // pickup into the next phrase
    {124, 72, 1},
    {125, 74, 1},
    {126, 76, 1},
    {127, 77, 1}};
