#pragma once
// Which row kernels the show draws with. The widest vector unit is not always
// the fastest (some processors split its gathers and operations into
// halves), so each kernel set the processor runs is timed on a few scratch
// frames, once, and the fastest kept. Every set gives the same bits.

#include <functional>
#include <span>
#include <vector>

#include "effect/row_kernels.h"

// The kernel sets this processor runs, widest first.
std::vector<RowKernels> supportedRowKernels();

// The seconds one frame takes with the given kernels; 0 when the clock
// cannot tell.
using FrameTimer = std::function<double(const RowKernels&)>;

// The candidate with the shortest of its times over `rounds` rounds. The
// candidates take turns, so that a busy moment of the machine does not
// fall on one alone and only the best time of each counts. The first
// candidate when any frame could not be timed. `candidates` is not empty.
RowKernels chooseFastestKernels(std::span<const RowKernels> candidates, const FrameTimer& timeFrame,
                                int rounds);

// Times the candidates on scratch frames, well under a millisecond per
// set on a fast machine, and keeps the fastest.
RowKernels measureFastestRowKernels(std::span<const RowKernels> candidates);

// The fastest supported set, measured on the first call and kept for the
// process.
RowKernels fastestRowKernels();
