#pragma once
// Writing the frame tool's output without harming what the path held before.

#include <string>

// Writes `bytes` to `path`. A file (or a link to one) is replaced only once
// the new bytes are complete: they go to a new file beside it, renamed over
// it. A device or pipe is written straight. On failure whatever was there is
// left as it was, and `problem` says why.
bool writeOutputFile(const std::string& path, const std::string& bytes, std::string& problem);
