#pragma once
// The global configuration editor: a panel that shows and stores the global switches of a
// settings file. Its layout is its own; the host window sizes itself from its geometry.
#include <cstdint>
#include <string>

namespace tester {

class GlobalConfig {
public:
  virtual ~GlobalConfig() = default;

  // Shows the settings of `path`. Returns an error text, empty = success.
  virtual std::string LoadFrom(const std::string& path) = 0;
  // Stores the shown settings into `path`. Returns an error text, empty = success.
  virtual std::string SaveTo(const std::string& path) = 0;

  // Geometry of the panel inside its host window, in device-independent pixels.
  virtual int32_t Height() const = 0;
  virtual int32_t Top() const = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Left() const = 0;
};

}  // namespace tester
