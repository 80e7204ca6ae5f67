#include "call_log.h"

namespace fake {

std::vector<std::string>& callLog() {
  static std::vector<std::string> log;
  return log;
}

std::function<void(const std::string& call)>& onRecord() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

void record(const std::string& call) {
  callLog().push_back(call);
  if (onRecord())
    onRecord()(call);
}

} // namespace fake
