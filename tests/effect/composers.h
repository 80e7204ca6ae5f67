#pragma once
// The compositions under test: the straight loop, and the fast one with each
// choice of kernels.

#include <cstdint>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "effect/effect_state.h"
#include "effect/frame_composition.h"

struct Composer {
  std::string name;
  bool plain = false;
  CompositionKernels kernels = CompositionKernels::best;

  // False when this processor cannot run the kernels.
  [[nodiscard]] bool select(EffectState& effect) const {
    return setCompositionKernels(effect, kernels);
  }
  void compose(EffectState& effect, std::uint32_t* pixels) const {
    if (plain) {
      composeFramePlain(effect, pixels);
    } else {
      composeFrame(effect, pixels);
    }
  }
};

inline std::ostream& operator<<(std::ostream& out, const Composer& composer) {
  return out << composer.name;
}

inline const Composer plainComposer{"Plain", true, CompositionKernels::best};
inline const Composer fastComposers[] = {
    {"FastBest", false, CompositionKernels::best},
    {"FastPortable", false, CompositionKernels::portable},
    {"FastAvx512", false, CompositionKernels::avx512},
    {"FastAvx2", false, CompositionKernels::avx2},
};

inline std::vector<Composer> allComposers() {
  std::vector<Composer> composers{plainComposer};
  composers.insert(composers.end(), std::begin(fastComposers), std::end(fastComposers));
  return composers;
}
