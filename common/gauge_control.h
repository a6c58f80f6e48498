#pragma once
// The gauge-control seam: every byte between the tester's logic and a gauge passes
// through this interface. Backends (virtual jig, trace replay, later real adapters)
// implement it; the tracing decorator wraps any of them.
//
// Operation names, argument order and result conventions are those of the adapter
// control the gauge-access procedures were written against:
//  - transfer operations return a 16-bit status, 0 = success;
//  - out-arguments are references filled only on success unless stated;
//  - byte buffers are owned and sized by the caller; a read fills the buffer from
//    index 0, never writes past its size, and reports the count received separately.
#include <cstdint>
#include <span>
#include <string>

namespace tester {

// Status of a single transfer as the control reports it.
using BusStatus16 = int16_t;

// The most adapters any program asks ListAdapters to name.
inline constexpr int32_t kMaxListedAdapters = 16;

class GaugeControl {
public:
  virtual ~GaugeControl() = default;

  // SMBus write-word: `word` to command `cmd` of device `addr`.
  virtual BusStatus16 PutWord(uint8_t cmd, int16_t word, uint8_t addr) = 0;
  // SMBus read-word.
  virtual BusStatus16 GetWord(uint8_t cmd, int16_t& word, uint8_t addr) = 0;
  // SMBus block write of `length` bytes taken from `bytes` (length <= bytes.size()).
  virtual BusStatus16 PutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                               uint8_t addr) = 0;
  // SMBus block read into `bytes`; `length` receives the count the device sent.
  virtual BusStatus16 GetBlock(uint8_t cmd, std::span<uint8_t> bytes, int16_t& length,
                               uint8_t addr) = 0;
  // Opens the named adapter: -1 = failed, anything else = opened.
  virtual int OpenAdapter(const std::string& name) = 0;
  virtual void CloseLink() = 0;
  // Attached adapters, comma-separated; the first name is one no other process holds.
  virtual void ListAdapters(int32_t maximum, int32_t& count, std::string& names) = 0;
  // SMBus send-byte.
  virtual BusStatus16 PutCommand(uint8_t cmd, uint8_t addr) = 0;
  // Register byte access: mode 1 writes `value` to register `reg` of device `dev`,
  // mode 2 reads that register into `value`, mode 0 initialises the port expander
  // of the calibration board (called with dev = 1, reg = 1).
  virtual BusStatus16 RegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t& value) = 0;
  // Status of the last transfer (asked after writes).
  virtual BusStatus16 BusStatus() = 0;
  // The adapter pauses for `ms` milliseconds.
  virtual void Pause(int32_t ms) = 0;
  // Register block read: `length` in = bytes asked, out = bytes received.
  virtual BusStatus16 GetRegBlock(uint8_t reg, std::span<uint8_t> bytes, int16_t& length,
                                  uint8_t addr) = 0;
  // Register block write of `length` bytes to consecutive registers from `reg`.
  virtual BusStatus16 PutRegBlock(uint8_t reg, std::span<const uint8_t> bytes, int16_t length,
                                  uint8_t addr) = 0;
  // 1 switches the adapter to the register-style bus of the command-set 5 ROM loader, 0 back.
  virtual BusStatus16 SetBusMode(int16_t mode) = 0;
  virtual void AboutBox() = 0;

  // --- the adapter itself (identification), beyond the transfers ---
  // These talk to the open adapter, not to a device on its bus. A backend that does not
  // offer one keeps the default body: kControlUnsupported (or -1) and nothing changed.

  // The identifier stored in the open adapter (32 upper-case hexadecimal digits) into `id`.
  virtual BusStatus16 ReadAdapterId(std::string& id) {
    (void)id;
    return kControlUnsupported;
  }
  // Stores `id` (32 hexadecimal digits) as the open adapter's identifier; later reads, also
  // by other processes, return it. The adapter's name in ListAdapters does not change.
  virtual BusStatus16 WriteAdapterId(const std::string& id) {
    (void)id;
    return kControlUnsupported;
  }
  // Firmware version of the open adapter: major x 1000 + minor x 100 + revision
  // (3.1 revision 12 = 3112); -1 when no adapter is open or the backend cannot tell.
  virtual int32_t AdapterFirmware() { return -1; }

  // Status of an adapter operation the backend does not offer.
  static constexpr BusStatus16 kControlUnsupported = -3;
};

// Oldest adapter firmware the station supports: 3.1 revision 12 (AdapterFirmware's form).
inline constexpr int32_t kOldestAdapterFirmware = 3112;

// Identifiers adapters leave the factory with ("Linkpod default" and a zero byte, and
// "Untitled VX40xx ", as 16 bytes in hexadecimal): an adapter that reads one of them has
// not been given an identifier of its own.
inline constexpr const char* kFactoryAdapterId = "4C696E6B706F642064656661756C7400";
inline constexpr const char* kFactoryAdapterIdOther = "556E7469746C65642056583430787820";

// Fixed bus addresses.
inline constexpr uint8_t kAddrSmbusGauge = 0x17;  // SMBus commands: gauge mode and SMBus ROM mode
inline constexpr uint8_t kAddrRegGauge = 0xAA;    // register-style gauges in gauge mode
inline constexpr uint8_t kAddrRegLoader = 0x16;   // register-style ROM loader
inline constexpr uint8_t kAddrCalBoard = 0xC0;    // calibration board output port

// The adapter the control lists first, which is the first free one (the one a station
// opens); empty when none is listed. `count` receives how many are listed.
inline std::string FirstListedAdapter(GaugeControl& control, int32_t& count) {
  std::string names;
  count = 0;
  control.ListAdapters(kMaxListedAdapters, count, names);
  return count > 0 ? names.substr(0, names.find(',')) : std::string();
}

}  // namespace tester
