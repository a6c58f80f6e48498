#pragma once
// Trace lines of the transfers the procedures make (programming, data flash, calibration),
// in the replay format, so expected bus sequences read as the bus conversation they are.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace tester::trace {

using Bytes = std::vector<uint8_t>;

inline std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value & 0xFF);
  return text;
}

inline std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
  return text;
}

inline std::string Data(const Bytes& bytes) {
  std::string text;
  for (uint8_t b : bytes) {
    char pair[4];
    std::snprintf(pair, sizeof pair, "%02X", b);
    text += pair;
  }
  return text;
}

// `lines` repeated `count` times.
inline std::string Times(const std::string& lines, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += lines;
  return text;
}

inline Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// --- SMBus ---
// WriteWord: the word, then the bus-status check.
inline std::string WriteWord(unsigned cmd, unsigned word, unsigned addr = 0x17,
                             int bus_status = 0) {
  return "PutWord cmd=" + Hex2(cmd) + " word=" + Hex4(word) + " addr=" + Hex2(addr) +
         " -> 0\nBusStatus -> " + std::to_string(bus_status) + "\n";
}
inline std::string ReadWord(unsigned cmd, unsigned word, int status = 0, unsigned addr = 0x17) {
  if (status != 0) {
    return "GetWord cmd=" + Hex2(cmd) + " addr=" + Hex2(addr) + " -> " +
           std::to_string(status) + " word=0x0000\n";
  }
  return "GetWord cmd=" + Hex2(cmd) + " addr=" + Hex2(addr) + " -> 0 word=" + Hex4(word) + "\n";
}
inline std::string WriteBlock(unsigned cmd, const Bytes& data, int status = 0,
                              unsigned addr = 0x17) {
  return "PutBlock cmd=" + Hex2(cmd) + " addr=" + Hex2(addr) + " len=" +
         std::to_string(data.size()) + " data=" + Data(data) + " -> " + std::to_string(status) +
         "\n";
}
inline std::string ReadBlock(unsigned cmd, const Bytes& data, int status = 0,
                             unsigned addr = 0x17) {
  if (status != 0) {
    return "GetBlock cmd=" + Hex2(cmd) + " addr=" + Hex2(addr) + " -> " +
           std::to_string(status) + " len=0 data=\n";
  }
  return "GetBlock cmd=" + Hex2(cmd) + " addr=" + Hex2(addr) + " -> 0 len=" +
         std::to_string(data.size()) + " data=" + Data(data) + "\n";
}
// The SMBus loader's ready probe answering `value`.
inline std::string Probe(unsigned value = 0x65) { return ReadWord(0x0D, value); }

// --- register style ---
inline std::string RegWriteByte(unsigned addr, unsigned reg, unsigned value, int status = 0) {
  return "RegByteOp mode=1 dev=" + Hex2(addr) + " reg=" + Hex2(reg) + " val=" + Hex2(value) +
         " -> " + std::to_string(status) + "\n";
}
inline std::string RegReadByte(unsigned addr, unsigned reg, unsigned value, int status = 0) {
  return "RegByteOp mode=2 dev=" + Hex2(addr) + " reg=" + Hex2(reg) + " -> " +
         std::to_string(status) + " val=" + Hex2(value) + "\n";
}
inline std::string RegWriteBlock(unsigned addr, unsigned reg, const Bytes& data,
                                 int status = 0) {
  return "PutRegBlock reg=" + Hex2(reg) + " addr=" + Hex2(addr) + " len=" +
         std::to_string(data.size()) + " data=" + Data(data) + " -> " +
         std::to_string(status) + "\n";
}
// WriteRegWord / WriteRegBytes: two bytes low first, then the bus-status check.
inline std::string RegWriteWord(unsigned addr, unsigned reg, unsigned word) {
  return RegWriteBlock(addr, reg, {static_cast<uint8_t>(word & 0xFF),
                                   static_cast<uint8_t>(word >> 8)}) +
         "BusStatus -> 0\n";
}
inline std::string RegReadBlock(unsigned addr, unsigned reg, int asked, const Bytes& data) {
  return "GetRegBlock reg=" + Hex2(reg) + " addr=" + Hex2(addr) + " len=" +
         std::to_string(asked) + " -> 0 len=" + std::to_string(data.size()) +
         " data=" + Data(data) + "\n";
}
// ReadRegBytes / ReadRegWord: two bytes, then the bus-status check.
inline std::string RegReadWord(unsigned addr, unsigned reg, unsigned word) {
  return RegReadBlock(addr, reg, 2, {static_cast<uint8_t>(word & 0xFF),
                                     static_cast<uint8_t>(word >> 8)}) +
         "BusStatus -> 0\n";
}
inline std::string BusStatus(int status = 0) {
  return "BusStatus -> " + std::to_string(status) + "\n";
}
inline std::string Pause(int ms) { return "Pause ms=" + std::to_string(ms) + "\n"; }

// --- calibration ---
// Block 0x23 of a sampling pass: counter, mode byte, then the values little-endian.
inline Bytes SampleBlock(unsigned counter, unsigned mode, std::initializer_list<int> values) {
  Bytes bytes{static_cast<uint8_t>(counter), static_cast<uint8_t>(mode)};
  for (int value : values) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
  }
  return bytes;
}

// A full 26-byte sample: coulomb counter, four cells, values 5-9 zero, value 10, pack.
inline Bytes FullSample(unsigned counter, unsigned mode, int cc, int c1, int c2, int c3, int c4,
                        int pack) {
  return SampleBlock(counter, mode, {cc, c1, c2, c3, c4, 0, 0, 0, 0, 0, 0, pack});
}

// The calibration board's output byte written, then its status check.
inline std::string BoardWrite(unsigned state) {
  return RegWriteByte(0xC0, 0x44, state) + BusStatus();
}

// A 32-byte data-flash page with `word` big-endian at `position`.
inline Bytes PageWithWord(int position, unsigned word, int size = 32) {
  Bytes page(static_cast<std::size_t>(size), 0);
  page[static_cast<std::size_t>(position)] = static_cast<uint8_t>(word >> 8);
  page[static_cast<std::size_t>(position) + 1] = static_cast<uint8_t>(word & 0xFF);
  return page;
}

}  // namespace tester::trace
