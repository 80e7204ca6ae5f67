#include "capture/run_music.h"

#include "audio/data_file.h"
#include "audio/music_timeline.h"
#include "driver/show.h"

std::optional<RunMusic> loadRunMusic(const CaptureArguments& arguments, std::string& problem) {
  const bool ownMusic = arguments.musicPath.empty();
  RunMusic music;
  music.path = ownMusic ? findDataFile(musicFileName) : arguments.musicPath;
  auto decoded = decodeTrack(music.path, outputFrequency,
                             musicPositionAt(showDuration, outputFrequency), problem);
  if (!decoded)
    return std::nullopt;
  music.track = std::make_shared<const DecodedTrack>(std::move(*decoded));
  music.span = arguments;
  // The show's own music loops for the whole show.
  if (!ownMusic) {
    const auto fitted =
        fitSpanToTrack(arguments, music.track->frames() * 1000 / music.track->sampleRate, problem);
    if (!fitted) {
      problem = music.path + ": " + problem;
      return std::nullopt;
    }
    music.span = *fitted;
  }
  music.fit = fitTrack(*music.track);
  music.gain = arguments.fit ? music.fit.gain : 1.0;
  return music;
}
