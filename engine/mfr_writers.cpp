#include "engine/mfr_writers.h"

#include "engine/serial_number.h"
#include "gauge/df_access.h"
#include "gauge/df_access_register.h"
#include "gauge/mfr_data_text.h"
#include "gauge/station_settings.h"

namespace tester {
namespace {

// WriteManufactureDate's flag values.
constexpr int16_t kDateClassForm = 0;     // class access (command 0x77, blocks 0x78..)
constexpr int16_t kDateAbsoluteForm = 1;  // absolute data-flash address

// Command sets whose new-main manufacturer data is the decimal text of MfrDataValue.
bool TakesDecimalText(int commandset) { return commandset == 0 || commandset == 2; }

int CommandSet(const GaugeLink& link) { return link.Settings().COMMANDSET; }

uint8_t ManufacturerAccessCmd(const GaugeLink& link) {
  return static_cast<uint8_t>(link.Settings().QZMAC);
}

Status WriteNewMainMfrData(GaugeLink& link, const TesterConfigProperties& config) {
  const int commandset = CommandSet(link);
  if (IsRegisterGauge(commandset)) return WriteMfDataI2C(link, MfrDataDecimal(config.MfrDataValue));
  if (TakesDecimalText(commandset)) {
    return WriteMfDataText(link, MfrDataDecimal(config.MfrDataValue), ManufacturerAccessCmd(link));
  }
  return WriteMfDataString(link, config.MfrDataText, ManufacturerAccessCmd(link));
}

}  // namespace

int16_t MfrDataWord(int32_t value) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFF));
}

std::string MfrDataDecimal(int32_t value) { return std::to_string(value); }

Status WriteRunMfrData(RunProcess process, GaugeLink& link, const TesterConfigProperties& config) {
  if (process == RunProcess::NewMain) return WriteNewMainMfrData(link, config);
  MfDataValues values{};
  values[0] = MfrDataWord(config.MfrDataValue);
  return WriteMfData(link, values);
}

Status WriteRunDate(RunProcess process, GaugeLink& link, int16_t date_code) {
  if (process == RunProcess::Main) return WriteManufactureDate(link, date_code, kDateClassForm);
  if (IsRegisterGauge(CommandSet(link))) return WriteManufactureDateI2C(link, date_code);
  return WriteManufactureDate(link, date_code, kDateAbsoluteForm);
}

Status WriteRunSerial(RunProcess process, GaugeLink& link, int32_t serial) {
  if (process == RunProcess::Main) return WriteSerialNumberSBS(link, serial);
  if (IsRegisterGauge(CommandSet(link))) return WriteSerialI2C(link, SerialWord16(serial));
  return WriteSerialNumberDF(link, serial);
}

}  // namespace tester
