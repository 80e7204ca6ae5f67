#include "audio/data_file.h"

#include <SDL_filesystem.h>
#include <SDL_stdinc.h>

#include <filesystem>
#include <system_error>

namespace {

bool isFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

} // namespace

std::string dataFolderOf(const std::string& programDir) {
  // VSF_DATA_FROM_PROGRAM: the data folder relative to the program's, as installed.
  return (std::filesystem::path(programDir) / VSF_DATA_FROM_PROGRAM).lexically_normal().string();
}

std::string findDataFile(const std::string& name, const std::string& programDir) {
  const std::filesystem::path given(name);
  if (name.empty() || given.is_absolute() || isFile(given) || programDir.empty()) {
    return name;
  }
  const std::filesystem::path installed = std::filesystem::path(dataFolderOf(programDir)) / given;
  return isFile(installed) ? installed.string() : name;
}

std::string findDataFile(const std::string& name) {
  // SDL reads the executable's own path (/proc/self/exe on Linux).
  char* const base = SDL_GetBasePath();
  const std::string programDir = base != nullptr ? base : "";
  SDL_free(base);
  return findDataFile(name, programDir);
}
