#include "sim/default_jig.h"

#include <cstddef>

namespace tester {

// The bytes of demo/default.jig, generated at build time (sim/CMakeLists.txt).
extern const unsigned char kDefaultJigBytes[];
extern const std::size_t kDefaultJigBytesSize;

const std::string& DefaultJigText() {
  static const std::string text(reinterpret_cast<const char*>(kDefaultJigBytes),
                                kDefaultJigBytesSize);
  return text;
}

}  // namespace tester
