#pragma once
// Draws one frame of bands into a locked 640 x 480 surface: grey rule lines,
// coloured noise rows and the tinted picture rows. Rows outside the bands are
// never written.

#include <cstdint>

// Sample counters, set by the frame loop before each frame and advanced once
// per noise sample; and the colour of the last noise pixel drawn.
extern std::int32_t frameCursor;
extern std::int32_t timeCursor;
extern std::int32_t lastRed;
extern std::int32_t lastGreen;
extern std::int32_t lastBlue;

// The counters' start values for a frame `elapsed` ms into the show:
// 0 and elapsed x 2000, wrapping in 32 bits.
void startFrameCounters(std::uint32_t elapsed);

// The composition the show uses.
void composeFrame(std::uint32_t* pixels);
// The straight-loop reference the fast one is checked against.
void composeFramePlain(std::uint32_t* pixels);

// Threads the fast composition may use: 1 keeps it on the calling thread, 2
// (the default on machines with two or more cores) adds one helper thread.
void setCompositionThreads(int threads);

enum class CompositionKernels { best, avx512, avx2, portable };
// The kernels the fast composition runs: the widest the processor supports
// (the default), one instruction set, or plain C++. Returns false, changing
// nothing, when the processor lacks the instruction set asked for.
bool setCompositionKernels(CompositionKernels choice);
