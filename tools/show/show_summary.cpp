#include "show/show_summary.h"

#include <cmath>
#include <span>

#include "music/factor_statistics.h"
#include "show/series_statistics.h"

namespace {

constexpr double millisecondsPerSecond = 1000.0;
constexpr double secondsPerMinute = 60.0;
constexpr std::uint64_t millisecondsPerSecondInt = 1000;

double secondsOf(std::uint64_t frame, int fps) {
  return static_cast<double>(frameMoment(frame, fps)) / millisecondsPerSecond;
}

std::int64_t positionOf(std::uint64_t frame, int fps, std::uint32_t rate) {
  return static_cast<std::int64_t>(frameMoment(frame, fps) * rate / millisecondsPerSecondInt);
}

double meanOf(std::span<const double> values) {
  double sum = 0.0;
  for (const double v : values)
    sum += v;
  return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

std::vector<Tint> tintsOf(std::span<const FrameLight> frames) {
  std::vector<Tint> tints;
  for (const FrameLight& f : frames)
    if (const auto tint = tintOf(f.red, f.green, f.blue))
      tints.push_back(*tint);
  return tints;
}

// The hue of the frames' mean colour; 0 for a grey.
double meanColourHue(std::span<const FrameLight> frames) {
  double red = 0.0, green = 0.0, blue = 0.0;
  for (const FrameLight& f : frames) {
    red += f.red;
    green += f.green;
    blue += f.blue;
  }
  const auto tint = tintOf(red, green, blue);
  return tint ? tint->hue : 0.0;
}

// The median reading whose 3 s window lies inside [start, end).
double medianLoudness(const std::vector<double>& shortTerm, std::int64_t hop, std::int64_t start,
                      std::int64_t end, std::uint32_t rate) {
  const std::vector<double> readings =
      readingsIn(shortTerm, hop, 3 * static_cast<std::int64_t>(rate), start, end);
  return readings.empty() ? -HUGE_VAL
                          : percentile(std::vector<float>(readings.begin(), readings.end()), 0.5);
}

} // namespace

std::size_t beatFrames(int fps) {
  return static_cast<std::size_t>(std::lround(fps * secondsPerMinute / beatsPerMinute));
}

double loudnessAt(std::uint64_t frame, const ShowRun& run, std::uint32_t positionRate,
                  const std::vector<double>& shortTerm, std::int64_t loudnessHop) {
  const std::int64_t readings = positionOf(frame, run.fps, positionRate) / loudnessHop;
  if (readings == 0 || static_cast<std::size_t>(readings) > shortTerm.size())
    return -HUGE_VAL;
  return shortTerm[static_cast<std::size_t>(readings - 1)];
}

ShowFigures summariseShow(const ShowRun& run, const std::vector<SectionSpan>& spans,
                          std::uint32_t positionRate, const std::vector<double>& shortTerm,
                          std::int64_t loudnessHop) {
  ShowFigures show;
  const std::span<const FrameLight> frames(run.frames);
  std::vector<double> band, text;
  for (const FrameLight& f : frames) {
    band.push_back(f.band);
    text.push_back(f.text);
  }
  show.band = meanOf(band);
  show.text = meanOf(text);

  // Sections: the frames whose moment falls in each span.
  const std::size_t lag = beatFrames(run.fps);
  std::vector<std::span<const double>> drops;
  std::size_t frame = 0;
  for (const SectionSpan& span : spans) {
    while (frame < frames.size() && positionOf(frame, run.fps, positionRate) < span.start)
      ++frame;
    const std::size_t first = frame;
    while (frame < frames.size() && positionOf(frame, run.fps, positionRate) < span.end)
      ++frame;
    SectionFigures s;
    s.name = span.name;
    s.from = static_cast<double>(span.start) / positionRate;
    s.to = static_cast<double>(span.end) / positionRate;
    s.frames = frame - first;
    const std::span<const double> sectionBand(band.data() + first, s.frames);
    s.band = meanOf(sectionBand);
    s.text = meanOf(std::span<const double>(text.data() + first, s.frames));
    s.pulse = lagCorrelation(sectionBand, lag);
    s.hue = meanColourHue(frames.subspan(first, s.frames));
    s.hueSpread = hueSpread(tintsOf(frames.subspan(first, s.frames)));
    s.loudness = medianLoudness(shortTerm, loudnessHop, span.start, span.end, positionRate);
    if (s.name == "drop")
      drops.push_back(sectionBand);
    show.sections.push_back(s);
  }
  show.dropPulse = pooledLagCorrelation(drops, lag);

  // The settled span, from its first frame at or after 30 s to its last before 540 s.
  std::size_t first = 0, end = 0;
  while (first < frames.size() && secondsOf(first, run.fps) < settledFrom)
    ++first;
  end = first;
  while (end < frames.size() && secondsOf(end, run.fps) < settledTo)
    ++end;
  const std::span<const double> settled(band.data() + first, end - first);
  show.bandMedian = percentile(std::vector<float>(settled.begin(), settled.end()), 0.5);
  const auto stretch = static_cast<std::size_t>(std::lround(stretchSeconds * run.fps));
  const StretchExtremes extremes = stretchExtremes(settled, stretch);
  show.brightest = extremes.brightest.mean;
  show.brightestFrom = secondsOf(first + extremes.brightest.first, run.fps);
  show.darkest = extremes.darkest.mean;
  show.darkestFrom = secondsOf(first + extremes.darkest.first, run.fps);

  show.hue = meanColourHue(frames);
  show.hueSpread = hueSpread(tintsOf(frames));
  show.flashes = countFlashes(run.quarters, run.fps);
  return show;
}
