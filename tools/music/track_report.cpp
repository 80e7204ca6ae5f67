#include "music/track_report.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "audio/spectrum_analyser.h"
#include "effect/colour_factors.h"
#include "music/factor_statistics.h"
#include "music/loudness_meter.h"
#include "music/score.h"
#include "music/structure_measures.h"

namespace {

constexpr double framesPerSecond = showFrameRate;
constexpr double notMeasured = std::numeric_limits<double>::quiet_NaN();

// The colour factors one section gives, frame by frame, and where its beats fall.
class SectionFactors {
public:
  SectionFactors(std::int64_t start, double beatFrames) : start_(start), beat_(beatFrames) {}

  void add(std::int64_t position, const ColourFactors& f) {
    factors_.add(f);
    const double mean = (static_cast<double>(f.redFactor) + f.greenFactor + f.blueFactor) / 3.0;
    const auto beat =
        static_cast<std::size_t>(std::max(0.0, static_cast<double>(position - start_) / beat_));
    if (beat >= beatLow_.size()) {
      beatLow_.resize(beat + 1, HUGE_VAL);
      beatHigh_.resize(beat + 1, -HUGE_VAL);
    }
    beatLow_[beat] = std::min(beatLow_[beat], mean);
    beatHigh_[beat] = std::max(beatHigh_[beat], mean);
  }

  StretchSummary summary() const { return factors_.summary(); }

  double beatSwing() const {
    std::vector<float> swings;
    for (std::size_t b = 0; b < beatLow_.size(); ++b)
      if (beatHigh_[b] >= beatLow_[b])
        swings.push_back(static_cast<float>(beatHigh_[b] - beatLow_[b]));
    return percentile(swings, 0.5);
  }

private:
  std::int64_t start_;
  double beat_;
  FactorCollector factors_;
  std::vector<double> beatLow_, beatHigh_;
};

double median(const std::vector<double>& values) {
  if (values.empty())
    return -HUGE_VAL;
  return percentile(std::vector<float>(values.begin(), values.end()), 0.5);
}

double mean(const std::vector<double>& values) {
  if (values.empty())
    return notMeasured;
  double sum = 0.0;
  for (const double v : values)
    sum += v;
  return sum / static_cast<double>(values.size());
}

double spreadOf(const std::vector<double>& values) {
  if (values.empty())
    return notMeasured;
  const std::vector<float> narrowed(values.begin(), values.end());
  return percentile(narrowed, 0.9) - percentile(narrowed, 0.1);
}

// The smallest and largest of the finite values; NaN when there is none.
template <typename Pick> double extreme(const std::vector<double>& values, Pick pick) {
  double result = notMeasured;
  for (const double v : values)
    if (std::isfinite(v))
      result = std::isnan(result) ? v : pick(result, v);
  return result;
}
double lowest(const std::vector<double>& values) {
  return extreme(values, [](double a, double b) { return std::min(a, b); });
}
double highest(const std::vector<double>& values) {
  return extreme(values, [](double a, double b) { return std::max(a, b); });
}

// Cents from `hz` to the nearest root or fifth of the minor key `key`
// semitones above A, in any octave.
double centsOffKey(double hz, int key) {
  if (hz <= 0.0)
    return notMeasured;
  double nearest = HUGE_VAL;
  for (const int degree : {0, 7}) {
    const double cents = 1200.0 * std::log2(hz / 440.0) - 100.0 * (key + degree);
    nearest = std::min(nearest, std::fabs(cents - 1200.0 * std::round(cents / 1200.0)));
  }
  return nearest;
}

// RMS of interleaved frames [from, to), dBFS; -200 for digital silence.
double rmsLevel(const std::vector<float>& interleaved, std::int64_t from, std::int64_t to) {
  double sum = 0.0;
  std::size_t count = 0;
  for (auto i = static_cast<std::size_t>(2 * std::max<std::int64_t>(0, from));
       i <
       std::min(interleaved.size(), static_cast<std::size_t>(2 * std::max<std::int64_t>(0, to)));
       ++i, ++count)
    sum += static_cast<double>(interleaved[i]) * interleaved[i];
  return count > 0 && sum > 0.0
             ? std::max(-200.0, 10.0 * std::log10(sum / static_cast<double>(count)))
             : -200.0;
}

// The piece's sections placed on the track: bar lines at the track's rate,
// clamped to what the track holds.
struct Placed {
  std::string name;
  int key = 0; // semitones above A minor
  int firstBar = 0, bars = 0;
  std::int64_t from = 0, to = 0;
};

class PiecePlacement {
public:
  PiecePlacement(long rate, std::int64_t frames)
      : scale_(static_cast<double>(rate) / outputFrequency), frames_(frames) {
    const double barLength = stepsPerBar * stepFrames;
    for (const SectionSpan& span : sectionSpans()) {
      Placed p;
      p.name = span.name;
      p.key = span.key;
      p.firstBar = static_cast<int>(std::lround(static_cast<double>(span.start) / barLength));
      p.bars =
          static_cast<int>(std::lround(static_cast<double>(span.end) / barLength)) - p.firstBar;
      p.from = at(p.firstBar * stepsPerBar);
      p.to = at((p.firstBar + p.bars) * stepsPerBar);
      sections_.push_back(p);
    }
  }

  // A step's frame in the track, clamped to its ends.
  std::int64_t at(int step) const {
    return std::clamp<std::int64_t>(std::llround(static_cast<double>(stepStart(step)) * scale_), 0,
                                    frames_);
  }
  std::int64_t bar(int bar) const { return at(bar * stepsPerBar); }
  double barFrames() const { return stepsPerBar * stepFrames * scale_; }
  const std::vector<Placed>& sections() const { return sections_; }

private:
  double scale_;
  std::int64_t frames_;
  std::vector<Placed> sections_;
};

} // namespace

ReportFigures measureTrack(const Track& track) {
  ReportFigures r;
  const long rate = track.rate;
  const auto frames = static_cast<std::int64_t>(track.mono.size());
  const auto hz = static_cast<double>(rate);
  r.seconds = static_cast<double>(frames) / hz;
  const PiecePlacement piece(rate, frames);
  const std::vector<Placed>& spans = piece.sections();
  const double barFrames = piece.barFrames();
  const double beatFrames = barFrames / 4.0;

  LoudnessMeter loudness(2, static_cast<unsigned long>(rate));
  SpectralBalance balance(hz), dropBalance(hz);
  loudness.add(track.interleaved.data(), track.mono.size());
  balance.add(track.interleaved.data(), track.mono.size());
  for (const Placed& span : spans)
    if (span.name == "drop")
      dropBalance.add(track.interleaved.data() + 2 * span.from,
                      static_cast<std::size_t>(span.to - span.from));
  r.integrated = loudness.integrated();
  r.range = loudness.range();
  r.truePeak = loudness.truePeak();
  r.whole = balance.summary();
  r.drops = dropBalance.summary();

  // The colour factors the show takes, frame by frame, by section.
  std::vector<SectionFactors> factors;
  factors.reserve(spans.size());
  for (const Placed& span : spans)
    factors.emplace_back(span.from, beatFrames);
  SpectrumAnalyser analyser;
  std::array<float, SpectrumAnalyser::windowSize> window{};
  std::array<float, SpectrumAnalyser::binCount> magnitudes{};
  const double hop = hz / framesPerSecond;
  std::size_t section = 0;
  for (std::int64_t frame = 1;; ++frame) {
    const std::int64_t position = std::llround(hop * static_cast<double>(frame));
    if (position > frames)
      break;
    for (std::size_t n = 0; n < window.size(); ++n) {
      const std::int64_t at = position - static_cast<std::int64_t>(window.size() - n);
      window[n] = at >= 0 ? track.mono[static_cast<std::size_t>(at)] : 0.0f;
    }
    analyser.analyse(window.data(), magnitudes.data());
    while (section < spans.size() && spans[section].to < position)
      ++section;
    if (section < spans.size())
      factors[section].add(position, computeColourFactors(magnitudes.data()));
  }

  const auto& momentary = loudness.momentary();
  const std::int64_t meterHop = loudness.hop();
  const std::int64_t momentaryWindow = rate * 4 / 10;
  auto momentaryIn = [&](std::int64_t from, std::int64_t to) {
    return readingsIn(momentary, meterHop, momentaryWindow, from, to);
  };
  r.held = measureHeldTones(track.mono, hz);

  // Section by section.
  std::vector<StretchSpectrum> spectra;
  for (std::size_t s = 0; s < spans.size(); ++s) {
    const Placed& span = spans[s];
    SectionFigures f;
    f.name = span.name;
    f.from = static_cast<double>(span.from) / hz;
    f.to = static_cast<double>(span.to) / hz;
    f.shortTerm = median(readingsIn(loudness.shortTerm(), meterHop, 3 * rate, span.from, span.to));
    f.movement = spreadOf(momentaryIn(span.from, span.to));
    int seconds = 0, dominated = 0;
    for (std::size_t k = 0; k < r.held.dominated.size(); ++k)
      if (static_cast<std::int64_t>(k) * rate >= span.from &&
          static_cast<std::int64_t>(k + 1) * rate <= span.to) {
        ++seconds;
        dominated += r.held.dominated[k];
      }
    f.heldShare = seconds > 0 ? static_cast<double>(dominated) / seconds : 0.0;
    const StretchSummary colours = factors[s].summary();
    f.red = colours.red.middle;
    f.green = colours.green.middle;
    f.blue = colours.blue.middle;
    f.beatSwing = factors[s].beatSwing();
    spectra.push_back(stretchSpectrum(track.interleaved, hz, span.from, span.to));
    f.airShare = spectra.back().share(6000.0, 20000.0);
    f.lowMidShare = spectra.back().share(200.0, 500.0);
    f.integrated = gatedLoudness(momentaryIn(span.from, span.to));
    r.sections.push_back(f);
  }

  // Drop by drop.
  std::vector<double> movements, buildStarts, buildRises, lastHalfBars, similarities;
  std::vector<std::vector<double>> profiles;
  StretchSpectrum together;
  int dropCount = 0;
  for (std::size_t s = 0; s < spans.size(); ++s) {
    const Placed& span = spans[s];
    if (span.name != "drop")
      continue;
    ++dropCount;
    if (span.to - span.from < static_cast<std::int64_t>(barFrames))
      continue; // not in the track
    DropFigures d;
    d.number = dropCount;
    d.from = static_cast<double>(span.from) / hz;
    d.to = static_cast<double>(span.to) / hz;
    const double dropLevel = median(momentaryIn(span.from, span.to));
    d.movement = spreadOf(momentaryIn(span.from, span.to));
    movements.push_back(d.movement);
    similarities.push_back(barToBarEightSimilarity(track.mono, hz, span.from, span.to, barFrames));

    const StretchSpectrum& spectrum = spectra[s];
    d.airShare = spectrum.share(6000.0, 20000.0);
    d.presenceShare = spectrum.share(2000.0, 6000.0);
    d.slope = spectralSlope(spectrum);
    d.presenceStereo = bandStereo(spectrum, 2000.0, 6000.0);
    if (together.left.empty())
      together = spectrum;
    else
      for (std::size_t k = 0; k < spectrum.left.size(); ++k) {
        together.left[k] += spectrum.left[k];
        together.right[k] += spectrum.right[k];
        together.cross[k] += spectrum.cross[k];
      }

    // The kick on every beat; its click where no clap lands (beats 1 and 3).
    std::vector<std::int64_t> beats, clickBeats;
    for (int bar = span.firstBar; bar < span.firstBar + span.bars; ++bar)
      for (int beat = 0; beat < 4; ++beat) {
        const std::int64_t onset = piece.at(bar * stepsPerBar + 4 * beat);
        if (onset + static_cast<std::int64_t>(beatFrames) >= frames)
          continue;
        beats.push_back(onset);
        if (beat % 2 == 0)
          clickBeats.push_back(onset);
      }
    d.kick = measureKick(track.mono, hz, beats, clickBeats, beatFrames);
    d.kickBody = measureKickBody(track.mono, hz, beats, beatFrames);
    d.kickOffKey = centsOffKey(d.kickBody.pitchHz, span.key);
    d.subOverBass = bandLevel(spectrum, 20.0, 60.0) - bandLevel(spectrum, 60.0, 120.0);
    d.midOverLow = octaveLevel(spectrum, 500.0) - octaveLevel(spectrum, 125.0);
    d.tilt = octaveTilt(spectrum);
    d.topSide = sideOverMid(spectrum, 8000.0, 16000.0);
    d.sideFall = sideOverMid(spectrum, 4000.0, 8000.0) - sideOverMid(spectrum, 10000.0, 16000.0);

    // Bar by bar, for drop against drop.
    std::vector<std::int64_t> barStarts;
    for (int bar = span.firstBar; bar <= span.firstBar + span.bars; ++bar)
      barStarts.push_back(piece.bar(bar));
    if (barStarts.back() > barStarts.front() && span.to == piece.bar(span.firstBar + span.bars))
      profiles.push_back(barBandProfile(track.interleaved, hz, barStarts));

    if (s > 0 && spans[s - 1].name == "build") {
      const Placed& build = spans[s - 1];
      d.afterBuild = true;
      // The build's last bar breaks off halfway; the bar before it is full.
      const std::int64_t lastFull = piece.bar(span.firstBar - 2);
      const std::int64_t lastFullEnd = piece.bar(span.firstBar - 1);
      const std::int64_t barOneEnd = piece.bar(span.firstBar + 1);
      d.landing =
          mean(momentaryIn(span.from, barOneEnd)) - mean(momentaryIn(lastFull, lastFullEnd));
      const double dropAir =
          stretchSpectrum(track.interleaved, hz, span.from, barOneEnd).bandPower(6000.0, 20000.0);
      const double buildAir =
          stretchSpectrum(track.interleaved, hz, lastFull, lastFullEnd).bandPower(6000.0, 20000.0);
      d.landingAir =
          dropAir > 0.0 && buildAir > 0.0 ? 10.0 * std::log10(dropAir / buildAir) : notMeasured;

      const auto twoBars = static_cast<std::int64_t>(2 * barFrames);
      const double opening = median(momentaryIn(build.from, build.from + twoBars));
      const double closing =
          median(momentaryIn(build.to - twoBars - twoBars / 2, build.to - twoBars / 2));
      buildStarts.push_back(dropLevel - opening);
      buildRises.push_back(closing - opening);
      const auto halfBar = static_cast<std::int64_t>(barFrames / 2);
      lastHalfBars.push_back(dropLevel - median(momentaryIn(build.to - halfBar, build.to)));
    }
    r.dropFigures.push_back(d);
  }

  auto over = [&](auto field) {
    std::vector<double> values;
    for (const DropFigures& d : r.dropFigures)
      values.push_back(field(d));
    return values;
  };
  auto afterBuilds = [&](auto field) {
    std::vector<double> values;
    for (const DropFigures& d : r.dropFigures)
      if (d.afterBuild)
        values.push_back(field(d));
    return values;
  };
  r.dropMovement = lowest(movements);
  r.buildStart = lowest(buildStarts);
  r.buildRise = lowest(buildRises);
  r.lastHalfBar = lowest(lastHalfBars);
  r.dropSimilarity = highest(similarities);
  r.landing = lowest(afterBuilds([](const DropFigures& d) { return d.landing; }));
  r.landingAir = lowest(afterBuilds([](const DropFigures& d) { return d.landingAir; }));
  r.dropAirShare = lowest(over([](const DropFigures& d) { return d.airShare; }));
  r.dropPresenceShare = lowest(over([](const DropFigures& d) { return d.presenceShare; }));
  r.dropSlope = together.left.empty() ? notMeasured : spectralSlope(together);
  r.kickOverFloor = lowest(over([](const DropFigures& d) { return d.kick.subOverFloor; }));
  r.subPeakMs = highest(over([](const DropFigures& d) { return d.kick.subPeakMs; }));
  r.clickOverFloor = lowest(over([](const DropFigures& d) { return d.kick.clickOverFloor; }));
  r.leastPump = lowest(over([](const DropFigures& d) { return d.kick.pump; }));
  r.mostPump = highest(over([](const DropFigures& d) { return d.kick.pump; }));
  r.presenceCorrelation =
      lowest(over([](const DropFigures& d) { return d.presenceStereo.correlation; }));
  r.presenceMonoLoss =
      highest(over([](const DropFigures& d) { return d.presenceStereo.monoLoss; }));
  std::vector<double> pairs;
  for (std::size_t a = 0; a < profiles.size(); ++a)
    for (std::size_t b = a + 1; b < profiles.size(); ++b)
      if (profiles[a].size() == profiles[b].size())
        pairs.push_back(correlation(profiles[a], profiles[b]));
  r.dropAgainstDrop = highest(pairs);
  r.kickOffKey = highest(over([](const DropFigures& d) { return d.kickOffKey; }));
  r.kickOffBeatUnder =
      lowest(over([](const DropFigures& d) { return d.kickBody.offBeatUnderPeak; }));
  r.kickFallMs = highest(over([](const DropFigures& d) { return d.kickBody.fallMs; }));
  r.subOverBassLowest = lowest(over([](const DropFigures& d) { return d.subOverBass; }));
  r.subOverBassHighest = highest(over([](const DropFigures& d) { return d.subOverBass; }));
  r.midOverLow = highest(over([](const DropFigures& d) { return d.midOverLow; }));
  r.octaveBump = highest(over([](const DropFigures& d) { return d.tilt.bump; }));
  r.octaveDip = lowest(over([](const DropFigures& d) { return d.tilt.dip; }));
  r.topSide = lowest(over([](const DropFigures& d) { return d.topSide; }));
  r.sideFall = highest(over([](const DropFigures& d) { return d.sideFall; }));

  std::vector<double> grooves, breakdownAir, breakdownLowMid, buildLowMid, breakdownLevels,
      dropLevels, breakdownShortTerm, factorMedians;
  for (std::size_t s = 0; s < spans.size(); ++s) {
    const Placed& span = spans[s];
    const SectionFigures& f = r.sections[s];
    if (span.to <= span.from)
      continue;
    if (span.name == "groove")
      grooves.push_back(barToBarEightSimilarity(track.mono, hz, span.from, span.to, barFrames));
    if (span.name == "breakdown") {
      breakdownAir.push_back(f.airShare);
      breakdownLowMid.push_back(f.lowMidShare);
      breakdownLevels.push_back(f.integrated);
      breakdownShortTerm.push_back(f.shortTerm);
    }
    if (span.name == "build")
      buildLowMid.push_back(f.lowMidShare);
    if (span.name == "drop")
      dropLevels.push_back(f.shortTerm);
    if (span.name != "intro" && span.name != "outro")
      factorMedians.insert(factorMedians.end(), {f.red, f.green, f.blue});
  }
  r.grooveSimilarity = highest(grooves);

  // Builds and drops by their timbre; the builds by the hits they gather.
  std::vector<Timbre> buildTimbres, dropTimbres;
  std::vector<double> hitRatios;
  for (const Placed& span : spans) {
    if (span.bars < 4 || span.to != piece.bar(span.firstBar + span.bars))
      continue;
    if (span.name == "drop")
      dropTimbres.push_back(timbreOf(track.mono, hz, span.from, span.to));
    if (span.name != "build")
      continue;
    buildTimbres.push_back(timbreOf(track.mono, hz, span.from, span.to));
    const int first = countHits(track.mono, hz, span.from, piece.bar(span.firstBar + 2));
    const int last = countHits(track.mono, hz, piece.bar(span.firstBar + span.bars - 2), span.to);
    r.buildHits.push_back({first, last});
    hitRatios.push_back(first > 0 ? static_cast<double>(last) / first : HUGE_VAL);
  }
  r.buildHitRatio = lowest(hitRatios);
  auto meanDistance = [](const std::vector<Timbre>& timbres) {
    std::vector<double> distances;
    for (std::size_t a = 0; a < timbres.size(); ++a)
      for (std::size_t b = a + 1; b < timbres.size(); ++b)
        distances.push_back(timbreDistance(timbres[a], timbres[b]));
    return mean(distances);
  };
  r.buildDistance = meanDistance(buildTimbres);
  r.dropDistance = meanDistance(dropTimbres);

  // Bar by bar over the whole track.
  std::vector<std::int64_t> barLines;
  for (int bar = 0;; ++bar) {
    const std::int64_t line = piece.bar(bar);
    if (!barLines.empty() && line <= barLines.back())
      break;
    barLines.push_back(line);
  }
  r.chordChanges = chordChangeShare(barChords(track.mono, hz, barLines));
  r.longestWithoutNovelty = longestWithoutNovelty(noveltyPeaks(track.mono, hz, barLines));
  r.breakdownAir = lowest(breakdownAir);
  r.breakdownLowMid = highest(breakdownLowMid);
  r.buildLowMid = highest(buildLowMid);
  r.loudestBreakdown = highest(breakdownLevels);
  r.quietestDropOverLoudestBreakdown = lowest(dropLevels) - highest(breakdownShortTerm);
  r.lowestFactor = lowest(factorMedians);

  // The show loops the file: its end runs straight into its start.
  // Under BS.1770's absolute gate, -70 LUFS, a reading is silence: an end
  // that dies away joins a start that swells in from it without a step.
  constexpr double silence = -70.0;
  r.endLevel = momentary.empty() ? silence : std::max(silence, momentary.back());
  r.startLevel = momentary.size() > 3 ? std::max(silence, momentary[3]) : silence;
  const auto halfSecond = static_cast<std::int64_t>(rate / 2);
  r.lastHalfSecond = rmsLevel(track.interleaved, frames - halfSecond, frames);
  r.firstHalfSecond = rmsLevel(track.interleaved, 0, halfSecond);
  double jump = 0.0;
  if (frames > 0)
    for (std::size_t c = 0; c < 2; ++c)
      jump = std::max(jump,
                      std::fabs(static_cast<double>(track.interleaved[c]) -
                                track.interleaved[2 * static_cast<std::size_t>(frames - 1) + c]));
  r.joinJump = jump > 0.0 ? std::max(-200.0, 20.0 * std::log10(jump)) : -200.0;
  const auto fourBars = static_cast<std::int64_t>(4 * barFrames);
  r.startKey = keyOf(chromaOf(track.mono, hz, 0, fourBars));
  r.endKey = keyOf(chromaOf(track.mono, hz, frames - fourBars, frames));
  return r;
}
