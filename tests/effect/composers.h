#pragma once
// The compositions under test: the straight loop, and the fast one with each
// choice of kernels and thread count.

#include <cstdint>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "effect/frame_composition.h"

struct Composer {
  std::string name;
  bool plain = false;
  CompositionKernels kernels = CompositionKernels::best;
  int threads = 1;

  // False when this processor cannot run the kernels.
  [[nodiscard]] bool select() const {
    setCompositionThreads(threads);
    return setCompositionKernels(kernels);
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
    {"FastAvx512", false, CompositionKernels::avx512, 2},
    {"FastAvx2", false, CompositionKernels::avx2, 2},
};

inline std::vector<Composer> allComposers() {
  std::vector<Composer> composers{plainComposer};
  composers.insert(composers.end(), std::begin(fastComposers), std::end(fastComposers));
  return composers;
}
