// The show report's measures on made-up frames and series, whose answers are
// known by construction.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

#include "driver/show_timing.h"
#include "effect/pixel.h"
#include "show/flash_count.h"
#include "show/frame_light.h"
#include "show/quarter_light.h"
#include "show/series_statistics.h"
#include "show/show_summary.h"

namespace {

using Frame = std::vector<std::uint32_t>;
constexpr std::size_t framePixels = static_cast<std::size_t>(frameWidth) * frameHeight;

bool isBandRow(int y) {
  return y >= 102 && y <= 378 && y % 2 == 0;
}
bool isTextRow(int y) {
  return y >= 189 && y <= 267 && y % 2 == 1;
}

// Every pixel random, top byte included.
Frame noiseFrame(std::mt19937& random) {
  Frame frame(framePixels);
  for (std::uint32_t& p : frame)
    p = static_cast<std::uint32_t>(random());
  return frame;
}

void paintRows(Frame& frame, bool (*rowIs)(int), std::uint32_t pixel) {
  for (int y = 0; y < frameHeight; ++y)
    if (rowIs(y))
      std::fill_n(frame.begin() + static_cast<std::ptrdiff_t>(y) * frameWidth, frameWidth, pixel);
}

TEST(FrameLight, ReadsOnlyTheBandAndTextRowsAndNotTheTopByte) {
  std::mt19937 random(18);
  for (int round = 0; round < 20; ++round) {
    Frame a = noiseFrame(random);
    Frame b = noiseFrame(random);
    // Same band and text rows, everything else different, top bytes too.
    for (int y = 0; y < frameHeight; ++y)
      if (isBandRow(y) || isTextRow(y))
        for (int x = 0; x < frameWidth; ++x) {
          const std::size_t k =
              static_cast<std::size_t>(y) * frameWidth + static_cast<std::size_t>(x);
          b[k] = (a[k] & 0x00FFFFFFu) | (static_cast<std::uint32_t>(random()) & 0xFF000000u);
        }
    const FrameLight la = measureFrame(a.data());
    const FrameLight lb = measureFrame(b.data());
    EXPECT_EQ(la.band, lb.band);
    EXPECT_EQ(la.text, lb.text);
    EXPECT_EQ(la.red, lb.red);
  }
}

TEST(FrameLight, GreyReadsItsLevelAndGreenWeighsMostBlueLeast) {
  std::mt19937 random(7);
  Frame frame = noiseFrame(random);
  for (std::uint32_t level = 0; level < 256; level += 17) {
    paintRows(frame, isBandRow, packPixel(level, level, level));
    paintRows(frame, isTextRow, packPixel(255 - level, 255 - level, 255 - level));
    const FrameLight light = measureFrame(frame.data());
    EXPECT_NEAR(light.band, level, 1e-9);
    EXPECT_NEAR(light.text, 255.0 - level, 1e-9);
  }
  const auto bandOf = [&](std::uint32_t pixel) {
    paintRows(frame, isBandRow, pixel);
    return measureFrame(frame.data()).band;
  };
  const double red = bandOf(packPixel(200, 0, 0));
  const double green = bandOf(packPixel(0, 200, 0));
  const double blue = bandOf(packPixel(0, 0, 200));
  EXPECT_GT(green, red);
  EXPECT_GT(red, blue);
  EXPECT_NEAR(red + green + blue, 200.0, 1e-9);
}

// Adding grey changes neither hue nor chroma; scaling keeps the hue.
TEST(Tint, HueIgnoresGreyAndLevel) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> channel(0.0, 120.0), grey(0.0, 100.0), scale(0.2, 2.0);
  for (int round = 0; round < 1000; ++round) {
    const double r = channel(random), g = channel(random), b = channel(random);
    const auto tint = tintOf(r, g, b);
    if (!tint)
      continue;
    const double k = grey(random), s = scale(random);
    const auto lifted = tintOf(r + k, g + k, b + k);
    const auto scaled = tintOf(r * s, g * s, b * s);
    ASSERT_TRUE(lifted && scaled);
    EXPECT_NEAR(lifted->hue, tint->hue, 1e-6);
    EXPECT_NEAR(lifted->chroma, tint->chroma, 1e-9);
    EXPECT_NEAR(std::remainder(scaled->hue - tint->hue, 360.0), 0.0, 1e-6);
    EXPECT_GE(tint->hue, 0.0);
    EXPECT_LT(tint->hue, 360.0);
  }
}

// Evenly spread tints over an arc of width w anywhere on the wheel, across
// red included: the narrowest arc holding 90 % of them is 0.9 w.
TEST(HueSpread, EvenTintsOverAnArcSpreadOverNineTenthsOfIt) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> centre(0.0, 360.0), width(5.0, 300.0);
  for (int round = 0; round < 200; ++round) {
    const double c = round % 4 == 0 ? 359.0 : centre(random);
    const double w = width(random);
    std::vector<Tint> tints;
    constexpr int count = 1000;
    for (int k = 0; k < count; ++k) {
      const double hue = std::fmod(c - w / 2 + w * (k + 0.5) / count + 360.0, 360.0);
      tints.push_back(Tint{hue, 3.0});
    }
    std::shuffle(tints.begin(), tints.end(), random);
    EXPECT_NEAR(hueSpread(tints), 0.9 * w, w / count + 1e-6) << "centre " << c << ", width " << w;
  }
}

TEST(HueSpread, FaintTintsCountForLittleAndOppositesSpanHalfTheWheel) {
  std::vector<Tint> tints(900, Tint{100.0, 10.0});
  EXPECT_EQ(hueSpread(tints), 0.0);
  // A tenth as many frames at the opposite hue, each a hundredth as strong.
  tints.insert(tints.end(), 90, Tint{280.0, 0.1});
  EXPECT_EQ(hueSpread(tints), 0.0);
  // As many and as strong: magenta and green are half a wheel apart.
  tints.insert(tints.end(), 900, Tint{280.0, 10.0});
  EXPECT_NEAR(hueSpread(tints), 180.0, 1e-9);
  EXPECT_EQ(hueSpread({}), 0.0);
}

std::vector<double> wave(std::size_t length, double period, std::mt19937& random, double noise) {
  std::normal_distribution<double> jitter(0.0, noise);
  std::vector<double> values;
  for (std::size_t t = 0; t < length; ++t)
    values.push_back(40.0 +
                     10.0 * std::cos(2.0 * std::numbers::pi * static_cast<double>(t) / period) +
                     jitter(random));
  return values;
}

TEST(LagCorrelation, APulseAtTheLagRepeatsAndOneAtTwiceItOpposes) {
  std::mt19937 random(1);
  for (const std::size_t lag : {7u, 15u, 29u, 58u}) {
    const double period = static_cast<double>(lag);
    EXPECT_GT(lagCorrelation(wave(3000, period, random, 1.0), lag), 0.95) << lag;
    EXPECT_LT(lagCorrelation(wave(3000, 2.0 * period, random, 1.0), lag), -0.95) << lag;
    EXPECT_NEAR(lagCorrelation(wave(3000, period, random, 1000.0), lag), 0.0, 0.1) << lag;
  }
  EXPECT_EQ(lagCorrelation(std::vector<double>(100, 5.0), 29), 0.0);
  EXPECT_EQ(lagCorrelation(std::vector<double>{1.0, 2.0}, 29), 0.0);
}

// Stretches of different brightness, each without a beat, do not pool into
// one: each is taken about its own mean.
TEST(LagCorrelation, PooledStretchesKeepTheirOwnMeans) {
  std::mt19937 random(2);
  std::normal_distribution<double> noise(0.0, 1.0);
  std::vector<double> dark, bright, both;
  for (int t = 0; t < 2000; ++t) {
    dark.push_back(20.0 + noise(random));
    bright.push_back(60.0 + noise(random));
  }
  both = dark;
  both.insert(both.end(), bright.begin(), bright.end());
  EXPECT_GT(lagCorrelation(both, 29), 0.9);
  EXPECT_NEAR(pooledLagCorrelation({dark, bright}, 29), 0.0, 0.1);
  const std::vector<double> beat = wave(2000, 29.0, random, 1.0);
  EXPECT_GT(pooledLagCorrelation({beat, dark}, 29), 0.8);
}

TEST(StretchExtremes, FindPlantedBrightAndDarkStretches) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> level(10.0, 20.0);
  for (int round = 0; round < 100; ++round) {
    const std::size_t length = 1 + random() % 100;
    std::vector<double> values(length * 10 + random() % 500);
    for (double& v : values)
      v = level(random);
    const std::size_t bright = random() % (values.size() / 2 - length);
    // Now and then at the very end, where a window-by-window search stops.
    const std::size_t dark = round % 5 == 0
                                 ? values.size() - length
                                 : values.size() / 2 + random() % (values.size() / 2 - length);
    std::fill_n(values.begin() + static_cast<std::ptrdiff_t>(bright), length, 50.0);
    std::fill_n(values.begin() + static_cast<std::ptrdiff_t>(dark), length, 1.0);
    const StretchExtremes found = stretchExtremes(values, length);
    EXPECT_EQ(found.brightest.first, bright);
    EXPECT_NEAR(found.brightest.mean, 50.0, 1e-9);
    EXPECT_EQ(found.darkest.first, dark);
    EXPECT_NEAR(found.darkest.mean, 1.0, 1e-9);
  }
  EXPECT_EQ(stretchExtremes(std::vector<double>(5, 1.0), 6).brightest.mean, 0.0);
}

// A made-up show at 10 fps: each section its own level with a beat on it,
// the first and last 30 s blinding, a dim and a bright 10 s planted inside.
TEST(ShowSummary, SectionsAndTheSettledSpanTakeTheirOwnFrames) {
  constexpr std::uint32_t rate = 1000; // positions in milliseconds
  const std::vector<SectionSpan> spans = {{"intro", 0, 100000},
                                          {"drop", 100000, 250000},
                                          {"breakdown", 250000, 400000},
                                          {"drop", 400000, showDuration}};
  const std::vector<double> levels = {30.0, 60.0, 20.0, 50.0};
  ShowRun run;
  run.fps = 10;
  std::mt19937 random(4);
  constexpr std::size_t frames = showDuration / 100;
  for (std::uint64_t n = 0; n < frames; ++n) {
    const std::uint64_t ms = n * 100;
    std::size_t s = 0;
    while (ms >= static_cast<std::uint64_t>(spans[s].end))
      ++s;
    const double beat = spans[s].name == std::string("drop")
                            ? 5.0 * std::cos(2.0 * std::numbers::pi * static_cast<double>(n) /
                                             static_cast<double>(beatFrames(10)))
                            : 0.0;
    double band = levels[s] + beat;
    if (ms < 30000 || ms >= 540000)
      band = 255.0;
    if (ms >= 300000 && ms < 310000)
      band = 5.0;
    if (ms >= 150000 && ms < 160000)
      band = 90.0;
    // Magenta in the drops, green elsewhere.
    const bool drop = spans[s].name == std::string("drop");
    run.frames.push_back(FrameLight{band, band / 10, drop ? band + 5 : band, drop ? band : band + 5,
                                    drop ? band + 5 : band});
  }
  const std::vector<double> shortTerm(frames, -12.0);
  const ShowFigures show = summariseShow(run, spans, rate, shortTerm, 100);

  ASSERT_EQ(show.sections.size(), spans.size());
  EXPECT_EQ(show.sections[1].frames, 1500u);
  EXPECT_EQ(show.sections[3].frames, 1730u);
  EXPECT_NEAR(show.sections[2].from, 250.0, 1e-9);
  EXPECT_GT(show.sections[1].pulse, 0.0);
  EXPECT_NEAR(show.sections[2].band, (20.0 * 1400 + 5.0 * 100) / 1500, 1e-9);
  EXPECT_NEAR(show.sections[2].hue, 120.0, 1e-9);
  EXPECT_NEAR(show.sections[1].hue, 300.0, 1e-9);
  EXPECT_NEAR(show.sections[0].loudness, -12.0, 1e-9);
  EXPECT_EQ(show.sections[1].hueSpread, 0.0);
  EXPECT_NEAR(show.hueSpread, 180.0, 1e-9);
  EXPECT_GT(show.dropPulse, 0.5);
  EXPECT_NEAR(show.brightest, 90.0, 1e-9);
  EXPECT_NEAR(show.brightestFrom, 150.0, 1e-9);
  EXPECT_NEAR(show.darkest, 5.0, 1e-9);
  EXPECT_NEAR(show.darkestFrom, 300.0, 1e-9);
  // 30..540 s: the blinding ends are left out.
  EXPECT_LT(show.bandMedian, 60.0);
  EXPECT_GT(show.bandMedian, 20.0);
  EXPECT_EQ(loudnessAt(0, run, rate, shortTerm, 100), -HUGE_VAL);
  EXPECT_EQ(loudnessAt(1, run, rate, shortTerm, 100), -12.0);
}

// Relative luminance of an sRGB byte, written out as the definition has it.
double linearLight(std::uint32_t byte) {
  const double c = byte / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

bool isRuleRow(int y) {
  return y % 2 == 1 && ((y >= 101 && y <= 107) || (y >= 373 && y <= 379));
}
bool isDrawnRow(int y) {
  return isBandRow(y) || isTextRow(y) || isRuleRow(y);
}

// Against a plain model: each 320 x 240 window on the 160 x 120 grid, pixel by
// pixel, the rows the show never draws taken as black.
TEST(QuarterLight, WindowsHoldTheMeanLinearLightOfTheirPixels) {
  std::mt19937 random(27);
  for (int round = 0; round < 6; ++round) {
    Frame frame = noiseFrame(random);
    if (round % 2 == 1) // saturated reds here and there, for the redness
      for (std::uint32_t& p : frame)
        if (random() % 3 == 0)
          p = packPixel(static_cast<std::uint32_t>(random() % 256), random() % 8, random() % 8);
    const FrameQuarters quarters = measureQuarters(frame.data());
    for (int wy = 0; wy < 3; ++wy)
      for (int wx = 0; wx < 3; ++wx) {
        double red = 0.0, green = 0.0, blue = 0.0;
        for (int y = wy * 120; y < wy * 120 + 240; ++y)
          for (int x = wx * 160; x < wx * 160 + 320; ++x)
            if (isDrawnRow(y)) {
              const std::uint32_t p =
                  frame[static_cast<std::size_t>(y) * frameWidth + static_cast<std::size_t>(x)];
              red += linearLight((p >> 16) & 0xFFu);
              green += linearLight((p >> 8) & 0xFFu);
              blue += linearLight(p & 0xFFu);
            }
        red /= 320.0 * 240.0;
        green /= 320.0 * 240.0;
        blue /= 320.0 * 240.0;
        const QuarterLight& q =
            quarters[static_cast<std::size_t>(wy) * 3 + static_cast<std::size_t>(wx)];
        EXPECT_NEAR(q.luminance, 0.2126 * red + 0.7152 * green + 0.0722 * blue, 1e-6);
        const bool saturated = red >= 0.8 * (red + green + blue);
        EXPECT_NEAR(q.redness, saturated ? (red - green - blue) * 320.0 : 0.0, 1e-4);
      }
  }
}

TEST(QuarterLight, RednessOnlyOfASaturatedRed) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> channel(0.0, 1.0);
  int saturated = 0;
  for (int round = 0; round < 10000; ++round) {
    const double r = channel(random), g = channel(random) * channel(random) * 0.3,
                 b = channel(random) * channel(random) * 0.3;
    const double redness = rednessOf(r, g, b);
    if (r / (r + g + b) >= 0.8) {
      ++saturated;
      EXPECT_NEAR(redness, (r - g - b) * 320.0, 1e-9);
    } else {
      EXPECT_EQ(redness, 0.0) << r << " " << g << " " << b;
    }
  }
  EXPECT_GT(saturated, 1000);
  EXPECT_EQ(rednessOf(0.0, 0.0, 0.0), 0.0);
  EXPECT_EQ(rednessOf(1.0, 1.0, 1.0), 0.0); // white
  EXPECT_EQ(rednessOf(1.0, 0.5, 0.0), 0.0); // orange
  EXPECT_NEAR(rednessOf(1.0, 0.0, 0.0), 320.0, 1e-9);
}

// A square wave between `low` and `low + step`, `rate` cycles a second,
// starting anywhere in its cycle, with wiggles of up to `wiggle`.
std::vector<double> squareWave(int fps, int rate, double low, double step, double phase,
                               double wiggle, std::mt19937& random, std::size_t frames) {
  std::uniform_real_distribution<double> noise(-wiggle, wiggle);
  std::vector<double> values;
  for (std::size_t n = 0; n < frames; ++n) {
    const auto half =
        static_cast<long>(std::floor(2.0 * rate * (static_cast<double>(n) + phase) / fps));
    values.push_back(low + (half % 2 == 1 ? step : 0.0) + noise(random));
  }
  return values;
}

int flashesOf(const std::vector<double>& values, int fps,
              double darkerBelow = generalFlashDarkerBelow) {
  return busiestSecond(transitionFrames(values, generalFlashStep, darkerBelow),
                       static_cast<std::size_t>(fps))
      .flashes;
}

// Every cycle is a flash when both its changes reach 0.1 and it dips below
// 0.8; none when the change falls short or the darker side is too bright.
TEST(FlashCount, SquareWavesFlashAtTheirRateOnlyAcrossTheThresholds) {
  std::mt19937 random(31);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int round = 0; round < 3000; ++round) {
    const int fps = round % 3 == 0 ? 30 : 60;
    const int rate = 1 + static_cast<int>(random() % static_cast<unsigned>(fps / 4));
    const double phase = unit(random) * fps;
    const double wiggle = round % 2 == 0 ? 0.0 : 0.004;
    const std::size_t frames = static_cast<std::size_t>(fps) * (2 + random() % 4);
    const int kind = round % 3;
    double low = 0.0, step = 0.0;
    if (kind == 0) { // a flash
      low = 0.79 * unit(random);
      step = 0.11 + (1.0 - low - 0.11) * unit(random);
    } else if (kind == 1) { // too small a change
      low = 0.9 * unit(random);
      step = 0.09 * unit(random);
    } else { // too bright
      low = 0.805 + 0.08 * unit(random);
      step = 0.11 + (1.0 - low - 0.11) * unit(random);
    }
    const std::vector<double> wave =
        squareWave(fps, rate, low, step, phase, wiggle, random, frames);
    EXPECT_EQ(flashesOf(wave, fps), kind == 0 ? rate : 0)
        << fps << " fps, " << rate << " a second, from " << low << " by " << step;
    // Without the brightness rule, anything that changes enough flashes.
    EXPECT_EQ(flashesOf(wave, fps, HUGE_VAL), kind == 1 ? 0 : rate);
  }
}

// A fall that reaches 0.1 while still at 0.8 or more counts once it gets darker.
TEST(FlashCount, AFallCountsWhenItGetsDarkEnough) {
  for (const int rate : {1, 2, 3, 5, 6, 10}) {
    std::vector<double> values;
    for (int cycle = 0; cycle < 3 * rate; ++cycle) {
      const int half = 30 / rate;
      values.insert(values.end(), static_cast<std::size_t>(half), 0.95);
      values.push_back(0.83);
      values.insert(values.end(), static_cast<std::size_t>(half - 1), 0.7);
    }
    EXPECT_EQ(flashesOf(values, 60), rate) << rate;
    // Held at 0.83, the fall never counts.
    std::replace(values.begin(), values.end(), 0.7, 0.83);
    EXPECT_EQ(flashesOf(values, 60), 0) << rate;
  }
}

// A ramp is one change however many steps it takes, and changes a second or
// more apart are no flash; two steps within a second are one.
TEST(FlashCount, RampsAndSingleStepsAreNoFlash) {
  std::mt19937 random(12);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int round = 0; round < 500; ++round) {
    const int fps = 60;
    // A little over a second: rounding at the threshold may move a count by a frame.
    const std::size_t rampFrames = static_cast<std::size_t>(fps) + 2 + random() % 200;
    const double low = 0.7 * unit(random), high = low + 0.12 + (1.0 - low - 0.12) * unit(random);
    std::vector<double> values;
    const int ramps = 2 + static_cast<int>(random() % 5);
    for (int r = 0; r < ramps; ++r)
      for (std::size_t n = 0; n < rampFrames; ++n) {
        const double t = static_cast<double>(n) / static_cast<double>(rampFrames);
        values.push_back(r % 2 == 0 ? low + (high - low) * t : high - (high - low) * t);
      }
    const std::vector<std::size_t> transitions = transitionFrames(values, generalFlashStep);
    EXPECT_EQ(transitions.size(), static_cast<std::size_t>(ramps));
    EXPECT_EQ(flashesOf(values, fps), 0) << rampFrames << " frames from " << low << " to " << high;

    // A single step, anywhere, once.
    std::vector<double> step(static_cast<std::size_t>(3 * fps), low);
    const std::size_t at = random() % step.size();
    std::fill(step.begin() + static_cast<std::ptrdiff_t>(at), step.end(), high);
    EXPECT_EQ(transitionFrames(step, generalFlashStep).size(), at == 0 ? 0u : 1u);
    EXPECT_EQ(flashesOf(step, fps), 0);
    // Back down within the second: a flash; a second or more later: none.
    const std::size_t back = at + 1 + random() % static_cast<std::size_t>(2 * fps);
    if (at > 0 && back < step.size()) {
      std::fill(step.begin() + static_cast<std::ptrdiff_t>(back), step.end(), low);
      EXPECT_EQ(flashesOf(step, fps), back - at < static_cast<std::size_t>(fps) ? 1 : 0);
    }
  }
}

// Frames of the show flickering between black and one colour over the
// drawn rows, at `rate` a second: red flashes only for a strong saturated red.
TEST(FlashCount, RedFlashesOnlyOfASaturatedRed) {
  const auto frameOf = [](std::uint32_t pixel) {
    Frame frame(framePixels, 0);
    for (int y = 0; y < frameHeight; ++y)
      if (isDrawnRow(y))
        std::fill_n(frame.begin() + static_cast<std::ptrdiff_t>(y) * frameWidth, frameWidth, pixel);
    return measureQuarters(frame.data());
  };
  const FrameQuarters black = frameOf(0);
  struct Case {
    std::uint32_t pixel;
    bool red, general;
  };
  const std::vector<Case> cases = {
      {packPixel(255, 0, 0), true, true},     // full red
      {packPixel(200, 30, 20), true, false},  // a darker saturated red: too little luminance
      {packPixel(70, 0, 0), false, false},    // too dim a red
      {packPixel(255, 160, 0), false, true},  // orange: bright, not saturated
      {packPixel(255, 255, 255), false, true} // white
  };
  for (const Case& c : cases) {
    const FrameQuarters lit = frameOf(c.pixel);
    for (const int rate : {1, 2, 4, 6, 10}) {
      std::vector<FrameQuarters> frames;
      frames.reserve(180);
      for (int n = 0; n < 180; ++n)
        frames.push_back((n * 2 * rate / 60) % 2 == 1 ? lit : black);
      const FlashFigures flashes = countFlashes(frames, 60);
      EXPECT_EQ(flashes.red.flashes, c.red ? rate : 0)
          << std::hex << c.pixel << std::dec << " " << rate;
      EXPECT_EQ(flashes.general.flashes, c.general ? rate : 0) << std::hex << c.pixel;
    }
  }
}

} // namespace
