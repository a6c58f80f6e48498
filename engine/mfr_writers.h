#pragma once
// Which writer a run uses for the manufacturer data, the manufacture date and the serial
// number. The main process writes through SMBus class access and the serial-number
// command; the new-main process picks by command set:
//
//   item          main process              new-main, sets 6 and 7     new-main, others
//   mfr data      WriteMfData(value)        WriteMfDataI2C(text)       0, 2: WriteMfDataText(text)
//                                                                      else: WriteMfDataString(
//                                                                            MfrDataText)
//   date          WriteManufactureDate,     WriteManufactureDateI2C    WriteManufactureDate,
//                 class form                                           absolute form
//   serial        WriteSerialNumberSBS      WriteSerialI2C             WriteSerialNumberDF
//
// (text = MfrDataValue in decimal). Each function returns its writer's status unchanged;
// the test sequence turns it into the run code of its step.
#include <cstdint>
#include <string>

#include "common/status_codes.h"
#include "common/tester_config.h"
#include "gauge/gauge_link.h"

namespace tester {

enum class RunProcess { Main, NewMain };

// The word written for MfrDataValue where the gauge takes one 16-bit word: its low 16 bits
// (the same word the register-style writer takes from the decimal text).
int16_t MfrDataWord(int32_t value);

// MfrDataValue as the decimal text the text writers take ("-5", "1234").
std::string MfrDataDecimal(int32_t value);

// Manufacturer data from `config` (MfrDataValue, MfrDataText), the manufacturer-access
// command being the station's QZMAC.
Status WriteRunMfrData(RunProcess process, GaugeLink& link, const TesterConfigProperties& config);

// The packed manufacture date `date_code`.
Status WriteRunDate(RunProcess process, GaugeLink& link, int16_t date_code);

// Serial number `serial`. Every writer stores the same 16-bit form of it (SerialWord16),
// so a number above 65535 lands as the same word on every gauge family.
Status WriteRunSerial(RunProcess process, GaugeLink& link, int32_t serial);

}  // namespace tester
