#include "display/shader_cache.h"

#include <cstdlib>

void turnShaderCachesOff() {
  // The last argument keeps a value the user set.
  setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
  setenv("__GL_SHADER_DISK_CACHE", "0", 0);
}
