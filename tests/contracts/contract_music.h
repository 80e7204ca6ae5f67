#pragma once
// A short music file for the audio contract, in a scratch folder of its own.

#include <string>

#include "test_music.h"

class ContractMusic {
public:
  const std::string& path() const { return path_; }

private:
  ScratchFolder folder_;
  std::string path_ = folder_.writeOgg("contract.ogg", sineFrames(440.0, 0.5, testRate / 2));
};
