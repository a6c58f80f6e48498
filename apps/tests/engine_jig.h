#pragma once
// A scratch virtual jig for tests that start real engine processes: a jig file of N
// stations (calibration board, 800.1.02 packs), a copy of the demo application folder, a
// private adapter-lock folder and one station file per engine, all in a temporary folder
// removed with the object. Environment() is what every engine of the jig is started with.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/default_jig.h"

namespace tester {

// A pack of the built-in jig as it stands there (`label`: "reference 800.1.02" = the gauge
// the demo's golden image was read from, "production-1 800.1.02" = a production pack with
// its own data flash and measurement errors), its section header included.
inline std::string DefaultJigPack(const std::string& label) {
  const std::string& text = DefaultJigText();
  const std::size_t start = text.find("[pack " + label + "]");
  EXPECT_NE(start, std::string::npos) << label;
  if (start == std::string::npos) return {};
  const std::size_t end = text.find("\n[", start);
  return text.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
}

class ScratchJig {
public:
  explicit ScratchJig(int adapters) {
    EXPECT_TRUE(dir_.isValid());
    root_ = dir_.path().toStdString();
    namespace fs = std::filesystem;
    fs::create_directories(Home());
    fs::create_directories(Locks());
    // The demo folder's own files; its golden/ sources are not part of an installation.
    for (const fs::directory_entry& entry : fs::directory_iterator(TESTER_SOURCE_DIR "/demo")) {
      if (entry.is_regular_file()) fs::copy_file(entry.path(), Home() + "/" +
                                                 entry.path().filename().string());
    }
    std::ofstream jig(JigFile());
    jig << "# Scratch jig: " << adapters << " stations of the 800.1.02 demo target.\n";
    for (int i = 0; i < adapters; ++i) {
      identifiers_.push_back(IdentifierOf(i));
      jig << "\n[adapter " << identifiers_.back() << "]\ncal_board = yes\nsensors = 0x90 0x94\n\n"
          << DefaultJigPack("reference 800.1.02");
      // Every other station: two packs.
      if (i % 2 == 0) jig << "\n" << DefaultJigPack("production-1 800.1.02");
    }
  }

  // The identifier of the jig's adapter `index`: 32 hexadecimal digits, all different.
  static std::string IdentifierOf(int index) {
    char text[33];
    std::snprintf(text, sizeof text, "5E1F0A7C%08X9B3D6E21%08X", 0x1000u + index,
                  0xA0000000u + index * 0x111u);
    return text;
  }

  const std::vector<std::string>& Identifiers() const { return identifiers_; }
  std::string Root() const { return root_; }
  std::string Home() const { return root_ + "/home"; }
  std::string Locks() const { return root_ + "/locks"; }
  std::string JigFile() const { return root_ + "/jig.txt"; }

  // A fresh copy of the demo's first station file for one engine: a run moves the next
  // serial number in it, so engines never share one.
  std::string StationFile(int engine) const {
    const std::string path = root_ + "/Station1-engine" + std::to_string(engine) + ".ini";
    std::filesystem::copy_file(Home() + "/Station1.ini", path,
                               std::filesystem::copy_options::overwrite_existing);
    return path;
  }

  std::vector<std::string> Environment() const {
    return {"TESTER_HOME=" + Home(), "TESTER_BUS=sim:" + JigFile(), "TESTER_CLOCK=virtual",
            "TESTER_SIM_LOCKS=" + Locks(), "TESTER_TRACE="};
  }

private:
  QTemporaryDir dir_;
  std::string root_;
  std::vector<std::string> identifiers_;
};

}  // namespace tester
