#pragma once
// Everything music-report tells about a decoded track, measured apart from its
// printing: loudness, balance, the colours the show takes, and per section and
// per drop how the mix moves, lands, breathes and repeats. A track shorter or
// longer than the piece, at any rate, measures what it holds.

#include <array>
#include <string>
#include <vector>

#include "music/mix_measures.h"
#include "music/spectral_balance.h"
#include "music/spectral_shape.h"
#include "music/track_analysis.h"

struct Track {
  long rate = 0;
  std::vector<float> interleaved, mono; // stereo frames, and (L + R) / 2
};

struct SectionFigures {
  std::string name;
  double from = 0.0, to = 0.0; // seconds
  double shortTerm = 0.0;      // median short-term loudness, LUFS
  double movement = 0.0;       // momentary loudness p10-p90, LU
  double heldShare = 0.0;      // share of its seconds one slice dominates, 0..1
  double red = 0.0, green = 0.0, blue = 0.0, beatSwing = 0.0; // colour factor medians
  double airShare = 0.0;                                      // of its energy in 6-20 kHz, 0..1
  double lowMidShare = 0.0;                                   // in 200-500 Hz, 0..1
  double integrated = 0.0;                                    // LUFS
};

struct DropFigures {
  int number = 0;              // 1..
  double from = 0.0, to = 0.0; // seconds
  bool afterBuild = false;
  // Drop bar 1 against the build's last full bar (its last bar has a silent
  // half): mean momentary loudness, LU, and 6-20 kHz energy, dB.
  double landing = 0.0, landingAir = 0.0;
  double airShare = 0.0, presenceShare = 0.0; // 6-20 kHz and 2-6 kHz, 0..1
  double slope = 0.0;                         // 1-16 kHz, dB per octave
  KickFigures kick;
  BandStereo presenceStereo; // 2-6 kHz
  double movement = 0.0;     // momentary loudness p10-p90, LU
  KickBody kickBody;
  double kickOffKey = 0.0;  // cents from the nearest root or fifth of the drop's key
  double subOverBass = 0.0; // 20-60 Hz over 60-120 Hz, dB
  double midOverLow = 0.0;  // the 500 Hz octave over the 125 Hz one, dB
  TiltFit tilt;             // octaves 125 Hz-8 kHz
  double topSide = 0.0;     // side over mid in 8-16 kHz, dB
  double sideFall = 0.0;    // side over mid, 4-8 kHz less 10-16 kHz, dB
};

struct ReportFigures {
  double seconds = 0.0;
  double integrated = 0.0, range = 0.0, truePeak = 0.0;
  BalanceSummary whole, drops;
  HeldTones held;
  std::vector<SectionFigures> sections;
  std::vector<DropFigures> dropFigures;

  // Over the drops, the worst of each (NaN when there is no drop).
  double dropMovement = 0.0, buildStart = 0.0, buildRise = 0.0, lastHalfBar = 0.0;
  double landing = 0.0, landingAir = 0.0;
  double dropAirShare = 0.0, dropPresenceShare = 0.0;
  double dropSlope = 0.0; // of the drops' spectrum together
  double kickOverFloor = 0.0, subPeakMs = 0.0, clickOverFloor = 0.0;
  double leastPump = 0.0, mostPump = 0.0;
  double presenceCorrelation = 0.0, presenceMonoLoss = 0.0;
  double dropSimilarity = 0.0;   // bar to bar 8, the largest
  double dropAgainstDrop = 0.0;  // bar-by-bar band envelopes, the largest pair
  double grooveSimilarity = 0.0; // bar to bar 8
  // Breakdowns and builds.
  double breakdownAir = 0.0, breakdownLowMid = 0.0, buildLowMid = 0.0;
  double loudestBreakdown = 0.0;                 // integrated, LUFS
  double quietestDropOverLoudestBreakdown = 0.0; // median short-term, LU
  double lowestFactor = 0.0;
  // The kick's body and tuning, the low end's balance, the mids' tilt and the
  // top's width, the worst drop of each.
  double kickOffKey = 0.0, kickOffBeatUnder = 0.0, kickFallMs = 0.0;
  double subOverBassLowest = 0.0, subOverBassHighest = 0.0, midOverLow = 0.0;
  double octaveBump = 0.0, octaveDip = 0.0;
  double topSide = 0.0, sideFall = 0.0;
  // Builds: hits in their last two bars over their first two, the lowest; how
  // far apart they sound, and the drops, each the mean over pairs.
  double buildHitRatio = 0.0;
  std::vector<std::array<int, 2>> buildHits; // first two bars, last two
  double buildDistance = 0.0, dropDistance = 0.0;
  // Harmony and change over the whole track, bar by bar.
  double chordChanges = 0.0;     // share of bar lines, 0..1
  int longestWithoutNovelty = 0; // bar lines
  // The loop's join.
  double endLevel = 0.0, startLevel = 0.0;
  // The join's levels read -70 LUFS for silence, these -200 dBFS.
  double lastHalfSecond = 0.0, firstHalfSecond = 0.0; // RMS, dBFS
  double joinJump = 0.0; // the step from the last frame to the first, dBFS
  std::string startKey, endKey;
};

ReportFigures measureTrack(const Track& track);
