#include "audio/vorbis_loop_decoder.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <unistd.h>
#include <vector>

#include "test_music.h"

namespace {

constexpr std::uint32_t outputRate = outputFrequency;

class VorbisLoopDecoderTest : public testing::Test {
protected:
  std::unique_ptr<VorbisLoopDecoder> open(const std::string& path) {
    error = DecoderError::none;
    return VorbisLoopDecoder::open(path.c_str(), outputRate, error);
  }
  // Everything one pass gives, read in odd-sized pieces.
  static std::vector<float> readAll(VorbisLoopDecoder& decoder, std::size_t limit = 1 << 22) {
    std::vector<float> out;
    std::vector<float> piece(2 * 1000);
    for (;;) {
      const std::size_t got = decoder.read(piece.data(), 1000, false);
      out.insert(out.end(), piece.begin(), piece.begin() + static_cast<long>(2 * got));
      if (got < 1000 || out.size() > limit)
        return out;
    }
  }
  // Root-mean-square of a channel of interleaved frames.
  static double rms(const std::vector<float>& frames, std::size_t first, std::size_t count) {
    double sum = 0;
    for (std::size_t i = first; i < first + count; ++i)
      sum += frames[2 * i] * frames[2 * i];
    return std::sqrt(sum / static_cast<double>(count));
  }

  ScratchFolder folder;
  DecoderError error = DecoderError::none;
};

// Bytes this process has read from files and pipes so far.
std::uint64_t bytesReadSoFar() {
  std::ifstream io("/proc/self/io");
  std::string key;
  std::uint64_t value = 0;
  while (io >> key >> value) {
    if (key == "rchar:")
      return value;
  }
  ADD_FAILURE() << "no read count in /proc/self/io";
  return 0;
}

TEST_F(VorbisLoopDecoderTest, BadFilesAreRefusedWithTheirKindOfFailure) {
  const std::string good = folder.writeOgg("good.ogg", sineFrames(440, 0.5, 22050));
  const std::string bytes = folder.readBytes("good.ogg");

  EXPECT_EQ(open(folder.path("missing.ogg")), nullptr);
  EXPECT_EQ(error, DecoderError::file);
  EXPECT_EQ(open(folder.path("")), nullptr) << "the folder itself";
  EXPECT_EQ(error, DecoderError::file);
  EXPECT_EQ(open(folder.writeBytes("empty.ogg", "")), nullptr);
  EXPECT_EQ(error, DecoderError::format);
  EXPECT_EQ(open(folder.writeBytes("text.ogg", std::string(5000, 'x'))), nullptr);
  EXPECT_EQ(error, DecoderError::format);
  EXPECT_EQ(open(folder.writeBytes("headers-cut.ogg", bytes.substr(0, 200))), nullptr);
  EXPECT_EQ(error, DecoderError::format);
  std::string wrongHeader = bytes;
  wrongHeader[40] = static_cast<char>(wrongHeader[40] ^ 0x5a);
  EXPECT_EQ(open(folder.writeBytes("bad-header.ogg", wrongHeader)), nullptr);
  EXPECT_EQ(error, DecoderError::format);
  EXPECT_NE(open(good), nullptr);
  EXPECT_EQ(error, DecoderError::none);

  // A file that may not be read is a file problem too. Root reads anything,
  // so the child that tries gives root up first.
  const std::string locked = folder.writeBytes("locked.ogg", bytes);
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        constexpr gid_t nobody = 65534;
        if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0))
          std::_Exit(2);
        DecoderError childError = DecoderError::none;
        const bool refused =
            VorbisLoopDecoder::open(locked.c_str(), outputRate, childError) == nullptr;
        std::_Exit(refused && childError == DecoderError::file ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// libvorbisfile alone scans back over everything after the music, in time
// that grows with its square: a 2 GiB tail took hours.
TEST_F(VorbisLoopDecoderTest, WhateverFollowsTheMusicIsNeitherReadNorPlayed) {
  folder.writeOgg("tone.ogg", sineFrames(binFrequency(20), 0.5, 30000));
  const std::string music = folder.readBytes("tone.ogg");
  auto clean = open(folder.path("tone.ogg"));
  ASSERT_NE(clean, nullptr);
  const std::vector<float> expected = readAll(*clean);

  std::mt19937 random(7);
  const auto junk = [&random](std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes)
      c = static_cast<char>(random());
    return bytes;
  };
  constexpr std::uintmax_t sparseTail = std::uintmax_t{2} << 30;
  const struct {
    std::string name;
    std::string tail;
    std::uintmax_t sparseBytes; // zeros after the tail, taking no disk
  } cases[] = {
      {"a-few-bytes.ogg", junk(10), 0},    {"page-header.ogg", "OggS" + std::string(60, '\0'), 0},
      {"junk.ogg", junk(300000), 0},       {"sparse.ogg", junk(5000), sparseTail},
      {"sparse-only.ogg", "", sparseTail},
  };
  for (const auto& c : cases) {
    const std::string path = folder.writeBytes(c.name, music + c.tail);
    std::filesystem::resize_file(path, music.size() + c.tail.size() + c.sparseBytes);
    const std::uint64_t readBefore = bytesReadSoFar();
    auto decoder = open(path);
    const std::uint64_t readToOpen = bytesReadSoFar() - readBefore;
    ASSERT_NE(decoder, nullptr) << c.name;
    EXPECT_LT(readToOpen, std::uint64_t{4} << 20) << c.name;
    EXPECT_TRUE(readAll(*decoder) == expected) << c.name;
    std::filesystem::remove(path);
  }
}

TEST_F(VorbisLoopDecoderTest, OnePassGivesTheWholeFileAndThenNothing) {
  auto decoder = open(folder.writeOgg("tone.ogg", sineFrames(binFrequency(20), 0.5, 30000)));
  ASSERT_NE(decoder, nullptr);
  const std::vector<float> all = readAll(*decoder);
  EXPECT_EQ(all.size(), 2u * 30000u);
  EXPECT_NEAR(rms(all, 1000, 28000), 0.5 / std::sqrt(2.0), 0.01);
  float frame[2];
  EXPECT_EQ(decoder->read(frame, 1, false), 0u);
}

TEST_F(VorbisLoopDecoderTest, LoopingRepeatsThePassBitForBitWithoutAGap) {
  auto decoder = open(folder.writeOgg("tone.ogg", sineFrames(binFrequency(20), 0.5, 10000)));
  ASSERT_NE(decoder, nullptr);
  std::vector<float> looped(2 * 25000);
  EXPECT_EQ(decoder->read(looped.data(), 25000, true), 25000u);
  const std::vector<float> pass(looped.begin(), looped.begin() + 20000);
  EXPECT_TRUE(std::equal(pass.begin(), pass.end(), looped.begin() + 20000));
  EXPECT_TRUE(std::equal(looped.begin(), looped.begin() + 10000, looped.begin() + 40000));
}

TEST_F(VorbisLoopDecoderTest, LoopingCanBeAskedForAfterTheEndWasReached) {
  auto decoder = open(folder.writeOgg("tone.ogg", sineFrames(440, 0.5, 5000)));
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(readAll(*decoder).size(), 2u * 5000u);
  std::vector<float> again(2 * 6000);
  EXPECT_EQ(decoder->read(again.data(), 6000, true), 6000u);
}

TEST_F(VorbisLoopDecoderTest, MonoIsPlayedOnBothChannels) {
  std::vector<float> mono(20000);
  for (std::size_t i = 0; i < mono.size(); ++i)
    mono[i] = static_cast<float>(
        0.4 * std::sin(2.0 * 3.14159265 * 500.0 * static_cast<double>(i) / testRate));
  auto decoder = open(folder.writeOgg("mono.ogg", mono, 1));
  ASSERT_NE(decoder, nullptr);
  const std::vector<float> all = readAll(*decoder);
  ASSERT_EQ(all.size(), 2u * 20000u);
  bool same = true;
  for (std::size_t i = 0; i < 20000; ++i)
    same = same && all[2 * i] == all[2 * i + 1];
  EXPECT_TRUE(same);
  EXPECT_NEAR(rms(all, 1000, 18000), 0.4 / std::sqrt(2.0), 0.01);
}

TEST_F(VorbisLoopDecoderTest, OtherRatesAreConvertedToTheOutputRate) {
  // 1 s at 22.05 kHz of a tone on bin 10 of the output rate.
  auto decoder = open(
      folder.writeOgg("half-rate.ogg", sineFrames(binFrequency(10), 0.5, 22050, 22050), 2, 22050));
  ASSERT_NE(decoder, nullptr);
  const std::vector<float> all = readAll(*decoder);
  EXPECT_NEAR(static_cast<double>(all.size()) / 2.0, outputRate, 100.0);
  // Zero crossings of the converted tone count its frequency.
  int crossings = 0;
  for (std::size_t i = 2000; i < 42000; ++i)
    crossings += (all[2 * i] < 0.0f) != (all[2 * i + 2] < 0.0f) ? 1 : 0;
  EXPECT_NEAR(crossings, 2.0 * binFrequency(10) * 40000.0 / outputRate, 4.0);
}

TEST_F(VorbisLoopDecoderTest, ATruncatedFilePlaysWhatItHasAndStillLoops) {
  folder.writeOgg("long.ogg", sineFrames(440, 0.5, 10 * outputRate));
  const std::string bytes = folder.readBytes("long.ogg");
  auto decoder = open(folder.writeBytes("cut.ogg", bytes.substr(0, bytes.size() / 2)));
  ASSERT_NE(decoder, nullptr);
  const std::size_t frames = readAll(*decoder).size() / 2;
  EXPECT_GT(frames, outputRate);
  EXPECT_LT(frames, 10 * outputRate);
  std::vector<float> more(2 * 1000);
  EXPECT_EQ(decoder->read(more.data(), 1000, true), 1000u);
}

TEST_F(VorbisLoopDecoderTest, DamageInTheMiddleIsSkipped) {
  folder.writeOgg("long.ogg", sineFrames(440, 0.5, 10 * outputRate));
  std::string bytes = folder.readBytes("long.ogg");
  for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 3000; ++i)
    bytes[i] = static_cast<char>(i * 7919u);
  auto decoder = open(folder.writeBytes("damaged.ogg", bytes));
  ASSERT_NE(decoder, nullptr);
  const std::vector<float> all = readAll(*decoder);
  // Damaged at the half: more than half means it went on past the damage.
  EXPECT_GT(all.size() / 2, 250000u);
  EXPECT_TRUE(std::all_of(all.begin(), all.end(), [](float s) { return std::isfinite(s); }));
}

} // namespace
