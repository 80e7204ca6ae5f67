#include "capture/progress_line.h"

namespace {

constexpr auto redrawInterval = std::chrono::milliseconds(250);

} // namespace

ProgressLine::ProgressLine(std::FILE* stream, bool shown, std::uint64_t total)
    : stream_(stream), shown_(shown), total_(total) {}

void ProgressLine::update(std::uint64_t done) {
  if (!shown_)
    return;
  const Clock::time_point now = Clock::now();
  if (drawn_ && now - lastDrawn_ < redrawInterval && done < total_)
    return;
  lastDrawn_ = now;
  drawn_ = true;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
  const auto left = rate > 0.0
                        ? static_cast<unsigned long long>(static_cast<double>(total_ - done) / rate)
                        : 0ULL;
  // \r and a cleared tail: the line is drawn over itself.
  std::fprintf(stream_, "\rframe %llu of %llu, %.1f fps, %llu:%02llu left\033[K",
               static_cast<unsigned long long>(done), static_cast<unsigned long long>(total_), rate,
               left / 60, left % 60);
  std::fflush(stream_);
}

void ProgressLine::end() {
  if (shown_ && drawn_)
    std::fputc('\n', stream_);
  drawn_ = false;
}
