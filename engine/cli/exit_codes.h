#pragma once
// Exit statuses of the engine's console verbs (and of the automation server's start).
namespace tester {

inline constexpr int kExitOk = 0;
inline constexpr int kExitGaugeFailed = 1;  // the work ran and failed: a pack, a gauge, a bus
inline constexpr int kExitCannotStart = 2;  // no adapter, bad arguments, files or environment

}  // namespace tester
