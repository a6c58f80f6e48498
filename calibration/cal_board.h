#pragma once
// The station's calibration board: an output port (bus address 0xC0, register 0x44) that
// switches the reference voltage and the reference current (load) onto the pack and drives
// the four status LEDs, plus temperature sensors used as temperature references. Driven
// through the gauge control's register byte operation; when no board is in use every
// operation except the temperature read returns 0 without bus traffic.
#include <cstdint>
#include <string>

#include "gauge/gauge_link.h"

namespace tester {

// Output byte bits.
inline constexpr uint8_t kCalBoardLoadBit = 0x04;     // reference current (load) path on
inline constexpr uint8_t kCalBoardVoltageBit = 0x08;  // reference voltage connected
inline constexpr uint8_t kCalBoardLowBits = 0x0F;     // everything below the LED nibble
inline constexpr int kCalBoardLedShift = 4;           // LEDs: station status in bits 4-7

// Bus addresses and registers of the board.
inline constexpr uint8_t kCalBoardPortAddr = 0xC0;     // output port
inline constexpr uint8_t kCalBoardPortReg = 0x44;      // its output register
inline constexpr uint8_t kSensorExternalAddr = 0x90;   // external probe
inline constexpr uint8_t kSensorBoardAddr = 0x94;      // board's own sensor, normal boards
inline constexpr uint8_t kSensorAdvancedAddr = 0x92;   // board's own sensor, advanced boards
inline constexpr uint8_t kSensorTempReg = 0x00;        // 16-bit temperature, big-endian
inline constexpr uint8_t kSensorConfigReg = 0x01;      // configuration register
inline constexpr uint8_t kSensorConfig12Bit = 0x60;    // configuration: 12-bit conversions

// Extra settle time when the current path is switched on with the voltage, unless the
// caller asks for none.
inline constexpr int kCalBoardExtraCurrentSettleMs = 500;

// CalBoardInit waits for the bus to go quiet after configuring the sensors; a board that
// never clears its status is given up on after this long (or as many polls, so a status
// wait of 0 ms cannot loop forever) and the last status is returned.
inline constexpr int kCalBoardInitQuietLimitMs = 2000;

class CalBoard {
public:
  // `config_ini`: path of the program's Config.ini, whose ["CalBrd"] "Use" says whether a
  // board is fitted and used (1 = yes, the default; any other value = no).
  CalBoard(GaugeLink& link, std::string config_ini);
  CalBoard(const CalBoard&) = delete;
  CalBoard& operator=(const CalBoard&) = delete;

  // Reads "Use"; when used, probes the board, switches voltage and load off, puts both
  // sensors into 12-bit mode and waits for a quiet bus. Returns the first failure of the
  // probe or switches, else the quiet-bus status (0 = ready).
  Status CalBoardInit();
  void CalBoardSetUse(int16_t use) { use_ = use; }
  bool UseCalBrd() const { return use_ != 0; }
  int16_t UseValue() const { return use_; }

  Status CalBoardWrite(uint8_t state);
  Status CalBoardPowerOn(int16_t with_current, int16_t no_extra_settle);
  Status CalBoardLoadOn();
  Status CalBoardLoadOff();
  Status CalBoardVoltageOff();
  Status CalBoardPowerOff();
  Status CalBoardSetStatus(int32_t status);
  // Tenths of degC of the sensor at `addr`; unchanged (and 0 returned) when unused.
  Status CalBoardReadTemperature(int16_t& tenths, int16_t addr = kSensorExternalAddr);

  // The output byte as last written.
  uint8_t CalBoardState() const { return state_; }

private:
  // Sets the state and writes it (when used).
  Status Apply(uint8_t state);

  GaugeLink& link_;
  std::string config_ini_;
  int16_t use_ = 1;
  uint8_t state_ = 0;
};

// Tenths of degC from a raw sensor word (big-endian, 1/16 degC per step in the upper 12
// bits): round((raw div 16) * 0.625), div truncating toward zero.
int16_t SensorWordToTenths(int16_t raw);

}  // namespace tester
