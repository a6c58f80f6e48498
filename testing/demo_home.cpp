#include "testing/demo_home.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace tester::test {

namespace fs = std::filesystem;

std::string DemoFolder() { return std::string(TESTER_SOURCE_DIR) + "/demo"; }

DemoHome::DemoHome(const std::string& demo, const std::string& prefix) : root_(prefix) {
  if (!root_.Ok()) {
    error_ = root_.Error();
    return;
  }
  std::error_code failed;
  fs::create_directory(Home(), failed);
  if (!failed) fs::create_directory(Locks(), failed);
  if (!failed) {
    for (const fs::directory_entry& entry : fs::directory_iterator(demo, failed)) {
      if (!entry.is_regular_file()) continue;
      fs::copy_file(entry.path(), Home() + "/" + entry.path().filename().string(), failed);
      if (failed) break;
    }
  }
  if (failed) error_ = "copy of " + demo + " into " + Home() + ": " + failed.message();
}

std::string DemoHome::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream(File(name), std::ios::binary) << bytes;
  return File(name);
}

void DemoHome::Append(const std::string& name, const std::string& text) const {
  std::ofstream(File(name), std::ios::app) << "\n" << text << "\n";
}

}  // namespace tester::test
