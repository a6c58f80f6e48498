#pragma once
// A scratch virtual jig for tests that start real engine processes: a jig file of N
// stations (calibration board, 800.1.02 packs), a copy of the demo application folder, a
// private adapter-lock folder and one station file per engine, all in a temporary folder
// removed with the object. Environment() is what every engine of the jig is started with.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/default_jig.h"
#include "testing/demo_home.h"

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
    EXPECT_TRUE(home_.Ok()) << home_.Error();
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
  std::string Root() const { return home_.Root(); }
  std::string Home() const { return home_.Home(); }
  std::string Locks() const { return home_.Locks(); }
  std::string JigFile() const { return Root() + "/jig.txt"; }

  // A fresh copy of the demo's first station file for one engine: a run moves the next
  // serial number in it, so engines never share one.
  std::string StationFile(int engine) const {
    const std::string path = Root() + "/Station1-engine" + std::to_string(engine) + ".ini";
    std::filesystem::copy_file(Home() + "/Station1.ini", path,
                               std::filesystem::copy_options::overwrite_existing);
    return path;
  }

  std::vector<std::string> Environment() const {
    return {"TESTER_HOME=" + Home(), "TESTER_BUS=sim:" + JigFile(), "TESTER_CLOCK=virtual",
            "TESTER_SIM_LOCKS=" + Locks(), "TESTER_TRACE="};
  }

private:
  test::DemoHome home_{test::DemoFolder(), "tester-engines"};
  std::vector<std::string> identifiers_;
};

}  // namespace tester
