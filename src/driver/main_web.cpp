#include <emscripten.h>

#include <algorithm>
#include <cstdint>

#include "audio/page_track_web.h"
#include "driver/show.h"
#include "effect/track_fit.h"

namespace {

// The page says how it ended; a reload starts again.
EM_JS(void, pageShowEnded, (int exitCode), { VsfPage.showEnded(exitCode); });

} // namespace

// Fits the track the page filled at `rate` (fitted unless `fit` is 0), sets
// the gain on the spectrum and returns it.
extern "C" EMSCRIPTEN_KEEPALIVE double vsfPageFitTrack(int rate, int fit) {
  const DecodedTrack track = takePageTrack(static_cast<std::uint32_t>(std::max(rate, 1)));
  const double gain = fit != 0 ? fitTrack(track).gain : 1.0;
  setPageSpectrumGain(static_cast<float>(gain));
  return gain;
}

// The page starts the show once its music is fetched, or known to be missing.
int main() {
  const int exitCode = runShow(nullptr);
  pageShowEnded(exitCode);
  return exitCode;
}
