#include "driver/audio_error.h"

#include <cstdio>

#include "audio/bass.h"
#include "platform/message_box.h"

void showAudioError(const char* message) {
  const int code = BASS_ErrorGetCode();
  char text[200];
  std::snprintf(text, sizeof text, "%s\n(error code: %d)", message, code);
  MessageBoxA(nullptr, text, "Error", MB_OK);
}
