#pragma once
// The music a capture or a measured run plays: the named track, or the
// show's own when none is named, decoded whole before anything is written;
// the fit of its spectrum; and the span of the run, a track's own length
// unless --seconds was given.

#include <memory>
#include <optional>
#include <string>

#include "audio/decoded_track.h"
#include "capture/capture_arguments.h"
#include "effect/track_fit.h"

struct RunMusic {
  std::string path;
  std::shared_ptr<const DecodedTrack> track;
  TrackFit fit;
  double gain = 1.0;     // on the spectrum: the fit's, or 1 with --no-fit
  CaptureArguments span; // the arguments, with the span fitted to the track
};

// Nothing, with `problem` set, when the track cannot be read or the span
// falls outside it.
std::optional<RunMusic> loadRunMusic(const CaptureArguments& arguments, std::string& problem);
