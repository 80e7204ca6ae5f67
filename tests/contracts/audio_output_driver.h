#pragma once
// What the audio contract needs from each back end it runs on: a way to let
// its output play for a while, as time passing lets a device play.

namespace audio_output_driver {

// Why this back end's output never plays by itself, or nullptr.
const char* cannotPlay();

// Lets the output play for about `milliseconds`.
void letPlay(unsigned milliseconds);

} // namespace audio_output_driver
