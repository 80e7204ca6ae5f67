#include "display/shader_cache.h"

#include <SDL.h>

void turnShaderCachesOff() {
  // The last argument keeps a value the user set. SDL's setenv is the C
  // library's where there is one, and works on Windows too.
  SDL_setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
  SDL_setenv("__GL_SHADER_DISK_CACHE", "0", 0);
}
