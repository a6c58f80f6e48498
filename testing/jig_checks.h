#pragma once
// Jig text in tests: parsed, or the running test fails with the parser's message (and gets
// an empty jig). Built on GoogleTest, as it reports through it.
#include <gtest/gtest.h>

#include <string>

#include "sim/jig.h"

namespace tester::test {

inline JigDescription MustParse(const std::string& text) {
  std::string error;
  auto jig = ParseJigText(text, error);
  EXPECT_TRUE(jig.has_value()) << error;
  return jig.value_or(JigDescription{});
}

}  // namespace tester::test
