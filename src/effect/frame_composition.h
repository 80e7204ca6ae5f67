#pragma once
// Draws one frame of bands into a locked 640 x 480 surface: grey rule lines,
// coloured noise rows and the tinted picture rows. Rows outside the bands are
// never written.

#include <cstdint>

struct EffectState;

// The counters' start values for a frame `elapsed` ms into the show:
// 0 and elapsed x 2000, wrapping in 32 bits.
void startFrameCounters(EffectState& state, std::uint32_t elapsed);

// The composition the show uses, on the calling thread.
void composeFrame(EffectState& state, std::uint32_t* pixels);
// The straight-loop reference the fast one is checked against.
void composeFramePlain(EffectState& state, std::uint32_t* pixels);

enum class CompositionKernels { best, avx512, avx2, portable };
// The kernels the fast composition runs: the fastest this processor runs,
// timed on the first such call (a few milliseconds, once per process), one
// instruction set, or plain C++. Returns false, changing nothing, when the
// processor lacks the instruction set asked for.
bool setCompositionKernels(EffectState& state, CompositionKernels choice);
