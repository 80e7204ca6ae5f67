// The suites' main on a web page: runs them and tells the page the result,
// which the test's browser reads back as the exit code.
#include <emscripten.h>
#include <gtest/gtest.h>

namespace {

EM_JS(void, pageContractsDone, (int result), { globalThis.vsfContractResult = result; });

} // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  pageContractsDone(result);
  return result;
}
