#include "audio/server_position.h"

#include <gtest/gtest.h>

namespace {

// A change of the server's buffering: a quarter of new readings may be wild
// ones, so the position holds through them, goes halfway with more, and is
// there with three quarters.
TEST(ServerPosition, FollowsAChangeOfBufferingOverTheReadingsKept) {
  constexpr std::size_t kept = ServerPosition::readingsKept;
  constexpr std::uint32_t rate = 1000;
  ServerPosition position(rate, rate); // a tick a frame, 1000 frames handed
  for (std::size_t i = 0; i < kept; ++i)
    position.add(0.1, rate, 0);
  for (std::size_t i = 1; i <= kept; ++i) {
    position.add(0.3, rate, 0);
    const double held = i <= kept / 4 ? 0.1 : i < kept - kept / 4 ? 0.2 : 0.3;
    ASSERT_NEAR(*position.heardFrame(0), (1.0 - held) * rate, 1e-9) << "after " << i;
  }
}

} // namespace
