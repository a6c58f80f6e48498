// Measures one load of the station settings from a Config.ini that carries a 10 MB comment
// line (a pasted log, say): CPU time per load. The file must be read and split once per
// load, not once per key. Target: below 0.5 s of CPU per load on the development machine.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "gauge/station_settings.h"
#include "testing/bench_clock.h"

namespace {

constexpr std::size_t kCommentBytes = 10'000'000;
constexpr int kLoads = 3;

}  // namespace

int main() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("settings-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  {
    std::ofstream file(folder / "Config.ini");
    file << "[Delay]\nCB_V_SETTLE=1000\n;" << std::string(kCommentBytes, 'x') << "\n"
         << "[800D]\nCOMMANDSET=1\n";
  }
  tester::StationSettings settings;
  const int64_t start = tester::test::CpuMicros();
  for (int i = 0; i < kLoads; ++i) tester::LoadStationSettings(settings, folder.string(), "800.1.02");
  const double per_load_s = static_cast<double>(tester::test::CpuMicros() - start) / kLoads / 1e6;
  std::filesystem::remove_all(folder);
  std::printf("Config.ini with a %zu-byte comment line: %.3f s CPU per settings load (%d loads)\n",
              kCommentBytes, per_load_s, kLoads);
  return per_load_s < 0.5 ? 0 : 1;
}
