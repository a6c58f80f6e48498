#pragma once
// The clocks a benchmark measures with: the process's CPU time and the wall clock. Only
// benchmarks read them; the programs keep to the station clock.
#include <chrono>
#include <cstdint>
#include <ctime>

namespace tester::test {

// CPU time (user + system) of this process so far, in microseconds.
inline int64_t CpuMicros() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<int64_t>(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000;
}

// Monotonic wall-clock time in microseconds.
inline int64_t WallMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace tester::test
