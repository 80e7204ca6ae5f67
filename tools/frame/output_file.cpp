#include "output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

namespace fs = std::filesystem;

// The kernel's own limit on links followed in one lookup.
constexpr int maxLinkHops = 40;
constexpr int maxNameAttempts = 100;

// Where a chain of symbolic links ends, so that the link stays a link.
fs::path finalTarget(fs::path path) {
  std::error_code error;
  for (int hop = 0; hop < maxLinkHops && fs::is_symlink(path, error); ++hop) {
    const fs::path link = fs::read_symlink(path, error);
    if (error) {
      break;
    }
    path = link.is_absolute() ? link : path.parent_path() / link;
  }
  return path;
}

bool writeAll(std::FILE* file, const std::string& bytes) {
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// A name beside `target` that nothing uses, created empty and only by us.
std::FILE* createBeside(const fs::path& target, fs::path& created) {
  std::random_device entropy;
  for (int attempt = 0; attempt < maxNameAttempts; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x.part", entropy());
    created = target;
    created += suffix;
    // "x": fails rather than open a file someone else made.
    if (std::FILE* file = std::fopen(created.string().c_str(), "wbx")) {
      return file;
    }
    if (errno != EEXIST) {
      return nullptr;
    }
  }
  return nullptr;
}

} // namespace

bool writeOutputFile(const std::string& path, const std::string& bytes, std::string& problem) {
  const fs::path target = finalTarget(path);
  std::error_code error;
  const fs::file_status status = fs::status(target, error);
  const auto fail = [&](const std::string& why) {
    problem = "cannot write " + path + ": " + why;
    return false;
  };

  if (fs::is_directory(status)) {
    return fail("it is a folder");
  }
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    std::ofstream out(target, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return out ? true : fail("the write failed");
  }
  if (fs::exists(status) && !std::ofstream(target, std::ios::binary | std::ios::app)) {
    // Opened without truncating: only asks whether we may write it.
    return fail(std::strerror(errno));
  }

  fs::path partial;
  std::FILE* file = createBeside(target, partial);
  if (file == nullptr) {
    return fail(std::strerror(errno));
  }
  const bool written = writeAll(file, bytes);
  const int writeErrno = errno;
  if (written && fs::exists(status)) {
    std::error_code ignored; // a file with other permissions is still the frame
    fs::permissions(partial, status.permissions(), ignored);
  }
  if (written) {
    fs::rename(partial, target, error);
  }
  if (!written || error) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    return fail(written ? error.message() : std::strerror(writeErrno));
  }
  return true;
}
