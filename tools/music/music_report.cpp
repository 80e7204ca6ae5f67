// Reports how a music file measures against a mastering brief and what colours
// it gives the show:
//
//   music-report FILE.ogg
//
// Loudness (EBU R128 by libebur128), loudness range, true peak, sample peak,
// clipped samples, DC offset, stereo correlation and width, the energy share of
// frequency bands, and per section of the piece its median short-term loudness,
// the median of each colour factor and the beat swing: the median over the
// section's beats of how far the mean factor moves within a beat. Then how the
// mix moves and repeats: band shares in the drops, the spread of momentary
// loudness inside them, how far each build starts and ends under its drop,
// held tones, how alike a bar is to the bar eight later, and the loop's join
// (level step, key at either end). Then the moments a listener waits for: how
// each drop lands on the bar before it, the air on top, the kick against the
// bass, open breakdowns and clean builds, drops unlike one another, and how
// the presence band holds up summed to mono. Last, what a release needs: the
// kick's tuning and decay, sub against bass, the mids against the tilt, the
// top's width, builds that gather and differ, chord changes, novelty and the
// ends' levels. Each summary line reads "name: value unit", for scripts;
// tables by section and by drop follow.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string_view>

#include "audio/decoded_track.h"
#include "driver/show_timing.h"
#include "music/track_report.h"
#include "output/standard_output.h"

namespace {

// The file as the other tools read it: any track, mixed to stereo at the
// show's rate, refused with the same messages.
bool decode(const char* path, Track& track) {
  std::string problem;
  const auto frames = static_cast<std::uint64_t>(longestTrackSeconds * outputFrequency);
  auto decoded = decodeTrack(path, outputFrequency, frames, problem);
  if (!decoded) {
    std::fprintf(stderr, "music-report: %s\n", problem.c_str());
    return false;
  }
  track.rate = decoded->sampleRate;
  track.interleaved = std::move(decoded->stereo);
  track.mono.resize(track.interleaved.size() / 2);
  for (std::size_t i = 0; i < track.mono.size(); ++i)
    track.mono[i] = 0.5f * (track.interleaved[2 * i] + track.interleaved[2 * i + 1]);
  return true;
}

double percent(double share) {
  return 100.0 * share;
}

void print(const ReportFigures& r) {
  const BalanceSummary& b = r.whole;
  auto decibels = [](double v) { return v > 0.0 ? 20.0 * std::log10(v) : -999.0; };
  std::printf("length: %.1f s\n", r.seconds);
  std::printf("integrated loudness: %.2f LUFS\n", r.integrated);
  std::printf("loudness range: %.2f LU\n", r.range);
  std::printf("true peak: %.2f dBTP\n", r.truePeak);
  std::printf("sample peak: %.2f dBFS\n", decibels(b.samplePeak));
  std::printf("clipped samples: %lld\n", static_cast<long long>(b.clippedSamples));
  std::printf("dc offset: %.5f %.5f\n", b.dcOffset[0], b.dcOffset[1]);
  std::printf("stereo correlation: %.3f\n", b.correlation);
  std::printf("side share below 150 Hz: %.2f %%\n", percent(b.sideShareLow));
  std::printf("side share above 150 Hz: %.2f %%\n", percent(b.sideShareHigh));
  for (std::size_t k = 0; k < balanceBands.size(); ++k)
    std::printf("band %s: %.2f %%\n", balanceBands[k].name, percent(b.shares[k]));
  for (std::size_t k = 0; k < balanceBands.size(); ++k)
    std::printf("drop band %s: %.2f %%\n", balanceBands[k].name, percent(r.drops.shares[k]));

  // How the level moves: inside the drops, into them, and across the loop's join.
  std::printf("drop loudness movement p10-p90: %.2f LU\n", r.dropMovement);
  std::printf("build start under its drop: %.2f LU\n", r.buildStart);
  std::printf("build rise: %.2f LU\n", r.buildRise);
  std::printf("last half bar under its drop: %.2f LU\n", r.lastHalfBar);
  std::printf("bar to bar 8 similarity in drops: %.3f\n", r.dropSimilarity);
  std::printf("seconds one 4 Hz slice holds a quarter of 250-4000 Hz: %.2f %%\n",
              percent(r.held.dominatedSeconds));
  std::printf("longest held tone: %.2f s at %.0f Hz, ending at %.0f s\n", r.held.longestSeconds,
              r.held.longestHz, r.held.longestEnds);
  std::printf("loop join levels: %.2f %.2f LUFS\n", r.endLevel, r.startLevel);
  std::printf("loop join step: %.2f LU\n", std::fabs(r.endLevel - r.startLevel));
  std::printf("start key: %s\n", r.startKey.c_str());
  std::printf("end key: %s\n", r.endKey.c_str());

  // The moments a listener waits for; each the worst over the drops.
  std::printf("drop bar 1 over the build's last full bar: %.2f LU\n", r.landing);
  std::printf("drop bar 1 6-20 kHz against the build's last full bar: %.2f dB\n", r.landingAir);
  std::printf("drop 6-20 kHz share, lowest drop: %.2f %%\n", percent(r.dropAirShare));
  std::printf("drop 2-6 kHz share, lowest drop: %.2f %%\n", percent(r.dropPresenceShare));
  std::printf("drop slope 1-16 kHz: %.2f dB/oct\n", r.dropSlope);
  std::printf("kick 25-100 Hz over the level between kicks, lowest drop: %.2f dB\n",
              r.kickOverFloor);
  std::printf("kick sub peak after the onset, latest drop: %.0f ms\n", r.subPeakMs);
  std::printf("kick click 2-8 kHz over the level between kicks, lowest drop: %.2f dB\n",
              r.clickOverFloor);
  std::printf("pump on 300-2000 Hz, least drop: %.2f dB\n", r.leastPump);
  std::printf("pump on 300-2000 Hz, most drop: %.2f dB\n", r.mostPump);
  std::printf("breakdown share above 6 kHz, lowest: %.2f %%\n", percent(r.breakdownAir));
  std::printf("breakdown share 200-500 Hz, highest: %.2f %%\n", percent(r.breakdownLowMid));
  std::printf("build share 200-500 Hz, highest: %.2f %%\n", percent(r.buildLowMid));
  std::printf("loudest breakdown: %.2f LUFS\n", r.loudestBreakdown);
  std::printf("drop against drop band envelopes, closest pair: %.3f\n", r.dropAgainstDrop);
  std::printf("bar to bar 8 similarity in the groove: %.3f\n", r.grooveSimilarity);
  std::printf("drop 2-6 kHz left-right correlation, lowest drop: %.3f\n", r.presenceCorrelation);
  std::printf("drop 2-6 kHz lost summed to mono, most: %.2f dB\n", r.presenceMonoLoss);

  // What a release needs: a tuned kick that leaves room for the bass, open
  // mids, a wide top, builds that gather and differ, harmony that rests,
  // change that keeps coming, and an end that dies away.
  std::printf("kick pitch off the key's root or fifth, most: %.0f cents\n", r.kickOffKey);
  std::printf("kick body at the off-beat under its peak, least: %.2f dB\n", r.kickOffBeatUnder);
  std::printf("kick body 20 dB under its peak, latest: %.0f ms\n", r.kickFallMs);
  std::printf("drop 20-60 Hz over 60-120 Hz, lowest: %.2f dB\n", r.subOverBassLowest);
  std::printf("drop 20-60 Hz over 60-120 Hz, highest: %.2f dB\n", r.subOverBassHighest);
  std::printf("drop 500 Hz octave over 125 Hz octave, highest: %.2f dB\n", r.midOverLow);
  std::printf("drop octave over the 125 Hz-8 kHz tilt, highest: %.2f dB\n", r.octaveBump);
  std::printf("drop octave under the 125 Hz-8 kHz tilt, deepest: %.2f dB\n", r.octaveDip);
  std::printf("drop side over mid 8-16 kHz, narrowest: %.2f dB\n", r.topSide);
  std::printf("drop side over mid fall 4-8 to 10-16 kHz, most: %.2f dB\n", r.sideFall);
  std::printf("build hits 1-8 kHz, last 2 bars over first 2, lowest: %.2f\n", r.buildHitRatio);
  for (std::size_t k = 0; k < r.buildHits.size(); ++k)
    std::printf("build %zu hits 1-8 kHz, first 2 bars and last 2: %d %d\n", k + 1,
                r.buildHits[k][0], r.buildHits[k][1]);
  std::printf("build against build timbre distance, mean: %.2f\n", r.buildDistance);
  std::printf("drop against drop timbre distance, mean: %.2f\n", r.dropDistance);
  std::printf("builds apart over drops apart: %.2f\n", r.buildDistance / r.dropDistance);
  std::printf("chord changes at bar lines: %.1f %%\n", percent(r.chordChanges));
  std::printf("longest stretch without a novelty peak: %d bars\n", r.longestWithoutNovelty);
  std::printf("first half second: %.1f dBFS\n", r.firstHalfSecond);
  std::printf("last half second: %.1f dBFS\n", r.lastHalfSecond);
  std::printf("loop join jump: %.1f dBFS\n", r.joinJump);

  std::printf("\n%-10s %6s %6s | %7s %5s %5s | %5s %5s %5s | %5s | %5s %5s %7s\n", "section",
              "from", "to", "LUFS-S", "M-mov", "tone%", "red", "green", "blue", "beat", ">6k%",
              "2-5h%", "LUFS-I");
  for (const SectionFigures& s : r.sections)
    std::printf("%-10s %6.1f %6.1f | %7.2f %5.2f %5.1f | %5.2f %5.2f %5.2f | %5.2f | %5.2f %5.1f "
                "%7.2f\n",
                s.name.c_str(), s.from, s.to, s.shortTerm, s.movement, percent(s.heldShare), s.red,
                s.green, s.blue, s.beatSwing, percent(s.airShare), percent(s.lowMidShare),
                s.integrated);

  std::printf("\n%-4s %6s | %6s %6s | %5s %5s %6s | %5s %4s %5s %5s | %5s %5s\n", "drop", "from",
              "landLU", "landdB", "6-20%", "2-6%", "dB/oct", "subdB", "ms", "click", "pump", "L-R",
              "mono");
  for (const DropFigures& d : r.dropFigures)
    std::printf("%-4d %6.1f | %6.2f %6.2f | %5.2f %5.2f %6.2f | %5.2f %4.0f %5.2f %5.2f | %5.2f "
                "%5.2f\n",
                d.number, d.from, d.landing, d.landingAir, percent(d.airShare),
                percent(d.presenceShare), d.slope, d.kick.subOverFloor, d.kick.subPeakMs,
                d.kick.clickOverFloor, d.kick.pump, d.presenceStereo.correlation,
                d.presenceStereo.monoLoss);
  std::printf("\n%-4s %6s %6s %6s | %6s %6s | %6s %5s %6s %5s | %6s %6s\n", "drop", "kickHz",
              "cents", "offdB", "fallms", "subdB", "500dB", "bump", "at", "dip", "sideTop", "fall");
  for (const DropFigures& d : r.dropFigures)
    std::printf("%-4d %6.1f %6.0f %6.2f | %6.0f %6.2f | %6.2f %5.2f %6.0f %5.2f | %6.2f %6.2f\n",
                d.number, d.kickBody.pitchHz, d.kickOffKey, d.kickBody.offBeatUnderPeak,
                d.kickBody.fallMs, d.subOverBass, d.midOverLow, d.tilt.bump, d.tilt.bumpHz,
                d.tilt.dip, d.topSide, d.sideFall);
  std::printf("\nquietest drop over loudest breakdown: %.2f LU\n",
              r.quietestDropOverLoudestBreakdown);
  std::printf("lowest factor median outside intro and outro: %.3f\n", r.lowestFactor);
}

int report(const char* path) {
  Track track;
  if (!decode(path, track))
    return 1;
  print(measureTrack(track));
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  constexpr const char* usage = "usage: music-report FILE.ogg\n";
  const std::string_view argument = argc == 2 ? argv[1] : "";
  if (argument == "--help") {
    std::fputs(usage, stdout);
    return withStandardOutputWritten("music-report", 0);
  }
  // A file whose name starts with "--" is still read as ./--name.
  if (argc != 2 || argument.starts_with("--")) {
    std::fputs(usage, stderr);
    return 2;
  }
  try {
    return withStandardOutputWritten("music-report", report(argv[1]));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "music-report: %s\n", error.what());
    return 1;
  }
}
