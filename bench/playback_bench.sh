#!/usr/bin/env bash
# Runs playback_bench through a private PulseAudio server with a null sink, as
# the sound tests hear the show: the output a viewer's desktop has.
# Usage: playback_bench.sh PLAYBACK_BENCH [BENCHMARK OPTIONS...]
here="$(dirname "$0")/../tests/e2e"
source "$here/lib.sh"
vsf_setup "$1"
shift
source "$here/sync_lib.sh"
sync_require
sync_start_pulse 44100
SDL_AUDIODRIVER=pulseaudio "$VSF_PROGRAM" "$@"
