#pragma once
// OpenGL drivers keep compiled shaders in the user's cache folder (Mesa in
// ~/.cache/mesa_shader_cache, NVIDIA in ~/.nv), found from the password file
// rather than $HOME. The show's few shaders compile in no time, and it writes
// no files of any kind.

// Asks the drivers not to keep shader caches, unless the user has said
// otherwise. Call before the video system starts.
void turnShaderCachesOff();
