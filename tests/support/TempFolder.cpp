// Temporary folders of the tests and benchmarks.
#include "TempFolder.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "protocol/TemporaryFolder.h"

namespace qd40::test {

TempFolder::TempFolder(const std::string& tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : kDefaultTemporaryFolder) + "/qd40-" +
      tag + "-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) {
    throw std::runtime_error("no temporary folder can be made as " + pattern);
  }
  m_path = name.data();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

}  // namespace qd40::test
