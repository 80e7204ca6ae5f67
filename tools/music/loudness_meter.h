#pragma once
// EBU R128 loudness, loudness range and true peak of a stereo stream, measured
// by libebur128; short-term and momentary loudness are sampled every tenth of
// a second.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <ebur128.h>

class LoudnessMeter {
public:
  LoudnessMeter(unsigned channels, unsigned long sampleRate);
  ~LoudnessMeter();
  LoudnessMeter(const LoudnessMeter&) = delete;
  LoudnessMeter& operator=(const LoudnessMeter&) = delete;

  // Interleaved frames.
  void add(const float* frames, std::size_t count);

  double integrated() const; // LUFS
  double range() const;      // LU
  double truePeak() const;   // dBTP, the larger of the channels

  // Short-term loudness (LUFS) of the 3 s ending at each tenth of a second;
  // entry k ends at frame (k + 1) * hop().
  const std::vector<double>& shortTerm() const { return shortTerm_; }
  // Momentary loudness (LUFS) of the 400 ms ending at the same moments.
  const std::vector<double>& momentary() const { return momentary_; }
  std::int64_t hop() const { return hop_; }

private:
  ebur128_state* state_;
  unsigned channels_;
  std::int64_t hop_;
  std::int64_t untilHop_;
  std::vector<double> shortTerm_;
  std::vector<double> momentary_;
};

// The integrated loudness (LUFS) of momentary readings 100 ms apart, as
// BS.1770 gates its 400 ms blocks: those under -70 LUFS dropped, then those
// more than 10 LU under the mean energy of the rest. -inf for none.
double gatedLoudness(const std::vector<double>& momentary);
