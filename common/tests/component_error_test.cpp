#include "common/component_error.h"

#include <gtest/gtest.h>

// Every interface header stands on its own.
#include "common/global_config.h"
#include "common/linkpod_id.h"
#include "common/password_lock.h"
#include "common/reminder.h"
#include "common/serial_counter.h"
#include "common/tester_log.h"

namespace tester {
namespace {

// A counter whose store has failed: the caller catches at the call site and keeps `n`.
class BrokenCounter : public SerialCounter {
public:
  void SetStart(int32_t) override {}
  void NextSerial(int32_t&) override { throw ComponentError("serial store unavailable"); }
  std::string SerialConfigError() override { return "serial store unavailable"; }
  void SetRequester(const std::string&, const std::string&) override {}
  std::string RecordFate(int32_t, SerialFate) override { return "serial store unavailable"; }
};

TEST(ComponentError, CarriesDescriptionToTheCallSite) {
  BrokenCounter counter;
  int32_t serial = 17;
  std::string caught;
  try {
    counter.NextSerial(serial);
  } catch (const ComponentError& error) {
    caught = error.what();
  }
  EXPECT_EQ(caught, "serial store unavailable");
  EXPECT_EQ(serial, 17);
}

TEST(ComponentError, IsARuntimeError) {
  EXPECT_THROW(throw ComponentError("x"), std::runtime_error);
}

}  // namespace
}  // namespace tester
