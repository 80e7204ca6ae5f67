#pragma once

// Shows message with the audio layer's last error code in an "Error" box.
void showAudioError(const char* message);
