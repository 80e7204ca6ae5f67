#pragma once
// The command line of velvetstaticfog-capture, checked, and the frames it asks for.

#include <cstdint>
#include <optional>
#include <string>

#include "capture/capture_session.h"
#include "capture/video_file.h"
#include "driver/show_timing.h"

constexpr const char* captureUsage =
    "usage: velvetstaticfog-capture --out FILE [--fps N] [--start MS] [--seconds S] [--scale K] "
    "[--quality Q] [--lossless] [--force] [--music FILE] [--no-fit]";

struct CaptureArguments {
  std::string outputPath;
  int fps = showFrameRate;
  std::uint32_t startMs = 0;
  std::uint32_t spanMs = showDuration; // the whole show
  bool spanGiven = false; // --seconds; else a track's own length
  bool force = false;
  std::string musicPath; // empty: the show's own music
  bool fit = true;       // scale the spectrum to the track's loudness
  VideoSettings video;      // container from the file's extension
  bool showHelp = false;    // --help: print the usage and do nothing else
  bool showVersion = false; // --version: likewise the version
};

// Nothing, with `problem` set to a short description, when the command line
// is not one the program takes.
std::optional<CaptureArguments> parseCaptureArguments(int argc, const char* const* argv,
                                                      std::string& problem);

// The span of a capture of a track `trackMs` long: to the track's end unless
// --seconds is given, never past the show's end. Nothing, with `problem` set,
// when the start lies beyond the track's end.
std::optional<CaptureArguments> fitSpanToTrack(const CaptureArguments& arguments,
                                               std::uint64_t trackMs, std::string& problem);

// The show's frames from the first at or after the start to the last before
// the span's end, at the video's frame rate.
CapturePlan capturePlanFor(const CaptureArguments& arguments, std::uint32_t sampleRate);
