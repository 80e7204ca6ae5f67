#pragma once
// The audio layer: decodes and plays the show's music and reports the
// spectrum of what the listener hears. The calls check their arguments and
// set their codes in one front end (audio_front.h); one back end is linked
// behind it: SDL2 audio with libvorbisfile and KISS FFT for the program, an
// AudioWorklet fed by a Worker on a web page, the capture's for a video, a
// scripted fake for tests.

#include "platform/win_types.h"

using HSTREAM = DWORD;

// 1.7: minor version in the high 16 bits, major in the low 16.
constexpr DWORD audioLayerVersion = 0x00070001;

constexpr DWORD streamLoopFlag = 4;
constexpr DWORD spectrumRequest1024 = 0x80000001;
constexpr DWORD audioRequestFailed = 0xFFFFFFFF;
// What a successful spectrum request returns: the bytes it wrote.
constexpr DWORD spectrumBytes = 512 * sizeof(float);

// What BASS_ErrorGetCode reports after each operation (0 after a success).
enum AudioErrorCode : int {
  audioOk = 0,
  audioErrorNoDevice = 1, // no output device could be opened
  audioErrorAlreadyInitialised = 2,
  audioErrorNotInitialised = 3, // output not initialised
  audioErrorFileOpen = 4,       // the music file cannot be opened or read
  audioErrorFormat = 5,         // not an Ogg Vorbis stream, or unsupported layout
  audioErrorHandle = 6,         // not a stream handle
  audioErrorParameter = 7,      // an argument the layer does not support (in-memory or
                                // partial files, restart on play, other data requests)
  audioErrorNotAvailable = 8,   // no data yet (nothing played so far)
  audioErrorMemory = 9,
};

DWORD BASS_GetVersion();
// device -1 is the default output device; the window is accepted and unused.
BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND window);
HSTREAM BASS_StreamCreateFile(BOOL inMemory, const void* file, DWORD offset, DWORD length,
                              DWORD flags);
// 0 silences the output only; the stream keeps playing and yielding spectra.
BOOL BASS_SetVolume(DWORD volume);
BOOL BASS_Start();
BOOL BASS_StreamPlay(HSTREAM stream, BOOL flush, DWORD flags);
// With spectrumRequest1024: 512 float magnitudes of what is audible now.
// Returns spectrumBytes, or audioRequestFailed and leaves the buffer untouched
// when there is nothing to analyse.
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
BOOL BASS_Stop();
BOOL BASS_Free();
int BASS_ErrorGetCode();
