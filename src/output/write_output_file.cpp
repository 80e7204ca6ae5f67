#include "output/output_file.h"

bool writeOutputFile(const std::string& path, const std::string& bytes, const OutputRules& rules,
                     std::string& problem) {
  try {
    OutputFile output(path, rules);
    output.write(bytes);
    output.commit();
    return true;
  } catch (const OutputFileError& error) {
    problem = error.what();
    return false;
  }
}
