#include <emscripten.h>

#include "driver/show.h"

namespace {

// The page says how it ended; a reload starts again.
EM_JS(void, pageShowEnded, (int exitCode), { VsfPage.showEnded(exitCode); });

} // namespace

// The page starts the show once its music is fetched, or known to be missing.
int main() {
  const int exitCode = runShow(nullptr);
  pageShowEnded(exitCode);
  return exitCode;
}
