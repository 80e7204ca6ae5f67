#pragma once
// The room around the mix: a feedback-delay-network reverb of about two
// seconds and a ping-pong echo on the dotted eighth. Both run in order over
// the whole piece, so they live in the master, after the stretches join.

#include <array>
#include <cstddef>
#include <vector>

class Reverb {
public:
  // `seconds`: time for the tail to fall by 60 dB.
  Reverb(double seconds, double sampleRate);
  // Adds the reverb of (inLeft, inRight) to (outLeft, outRight).
  void process(float inLeft, float inRight, float& outLeft, float& outRight);

private:
  static constexpr std::size_t lines = 8;
  std::array<std::vector<float>, lines> delay_;
  std::array<std::size_t, lines> at_{};
  std::array<float, lines> feedback_{}, damped_{};
  std::vector<float> preDelay_;
  std::size_t preAt_ = 0;
  float lowCut_ = 0.0f, lowCutState_ = 0.0f, damping_ = 0.0f;
};

class PingPongEcho {
public:
  PingPongEcho(double delaySeconds, double feedback, double sampleRate);
  void process(float inLeft, float inRight, float& outLeft, float& outRight);

private:
  std::vector<float> left_, right_;
  std::size_t at_ = 0;
  float feedback_;
  float tone_, toneLeft_ = 0.0f, toneRight_ = 0.0f;
};
