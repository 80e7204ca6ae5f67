#pragma once
// The compositions under test: the straight loop, and the fast one with each
// choice of kernels and thread count.

#include <cstdint>
#include <ostream>
#include <string>

#include "effect/frame_composition.h"

struct Composer {
  std::string name;
  bool plain = false;
  CompositionKernels kernels = CompositionKernels::best;
  int threads = 1;

  void select() const {
    setCompositionKernels(kernels);
    setCompositionThreads(threads);
  }
  void compose(std::uint32_t* pixels) const {
    if (plain) {
      composeFramePlain(pixels);
    } else {
      composeFrame(pixels);
    }
  }
};

inline std::ostream& operator<<(std::ostream& out, const Composer& composer) {
  return out << composer.name;
}

inline const Composer plainComposer{"Plain", true, CompositionKernels::best, 1};
inline const Composer fastComposers[] = {
    {"FastBest1Thread", false, CompositionKernels::best, 1},
    {"FastBest2Threads", false, CompositionKernels::best, 2},
    {"FastPortable1Thread", false, CompositionKernels::portable, 1},
    {"FastPortable2Threads", false, CompositionKernels::portable, 2},
};
