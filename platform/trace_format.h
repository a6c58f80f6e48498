#pragma once
// The gauge-control trace line, in one place: turns an operation's inputs into the
// request part of its line, its results into the result part, and reads lines back.
//   <ms> <Operation> <name>=<value> ... [-> <result> <out-name>=<value> ...]
// Values: bytes "0x" + 2 upper-case hex digits; words "0x" + 4 (the unsigned 16-bit
// pattern); lengths, modes, counts, statuses and milliseconds in decimal; byte data as
// one run of upper-case hex digits; text percent-encoded (see EncodeTraceText).
// docs/trace-format.md describes every line form.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tester {

// One value of a line, already in its written form ("0x17", "96", "0A0500", "Jig%201").
struct TraceField {
  std::string name;
  std::string value;
  bool operator==(const TraceField&) const = default;
};

// One gauge-control operation as its trace line holds it.
struct TraceEntry {
  int64_t ms = 0;                   // whole milliseconds since the trace was opened
  std::string op;                   // operation name ("GetWord")
  std::vector<TraceField> request;  // what the caller handed in, in line order
  std::optional<int32_t> result;    // status, OpenAdapter result or adapter count
  std::vector<TraceField> outs;     // what came back besides the result, in line order
};

// RegByteOp mode that reads the register: its value comes back instead of going out.
inline constexpr int32_t kRegByteReadMode = 2;

// --- request parts, from the inputs of each call ---
TraceEntry TracePutWord(uint8_t cmd, int16_t word, uint8_t addr);
TraceEntry TraceGetWord(uint8_t cmd, uint8_t addr);
// `data` holds the `length` bytes sent (fewer when the buffer is shorter).
TraceEntry TracePutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                         uint8_t addr);
TraceEntry TraceGetBlock(uint8_t cmd, uint8_t addr);
TraceEntry TracePutCommand(uint8_t cmd, uint8_t addr);
// Mode 2 reads, so its value is an out-value; every other mode carries `value` in.
TraceEntry TraceRegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t value);
TraceEntry TraceGetRegBlock(uint8_t reg, uint8_t addr, int16_t length_asked);
TraceEntry TracePutRegBlock(uint8_t reg, std::span<const uint8_t> bytes, int16_t length,
                            uint8_t addr);
TraceEntry TraceBusStatus();
TraceEntry TraceSetBusMode(int16_t mode);
TraceEntry TracePause(int32_t ms);
TraceEntry TraceOpenAdapter(const std::string& name);
TraceEntry TraceListAdapters(int32_t maximum);
TraceEntry TraceCloseLink();
TraceEntry TraceAboutBox();
// The adapter's identification: ReadAdapterId -> S id=TEXT, WriteAdapterId id=TEXT -> S,
// AdapterFirmware -> V (the version, -1 unknown).
TraceEntry TraceReadAdapterId();
TraceEntry TraceWriteAdapterId(const std::string& id);
TraceEntry TraceAdapterFirmware();

// --- result parts ---
void SetTraceResult(TraceEntry& entry, int32_t result);
void AddWordOut(TraceEntry& entry, int16_t word);    // word=0x....
void AddValueOut(TraceEntry& entry, uint8_t value);  // val=0x..
// len=<length> data=<the first `length` bytes of `bytes`, never past its end>.
void AddBlockOut(TraceEntry& entry, std::span<const uint8_t> bytes, int16_t length);
void AddNamesOut(TraceEntry& entry, const std::string& names);  // names=<text>
void AddAdapterIdOut(TraceEntry& entry, const std::string& id);  // id=<text>

// --- out-values of an entry read back by ParseTraceLine (absent ones give 0 / empty) ---
int16_t OutWord(const TraceEntry& entry);
uint8_t OutValue(const TraceEntry& entry);
int16_t OutLength(const TraceEntry& entry);
std::vector<uint8_t> OutData(const TraceEntry& entry);
std::string OutNames(const TraceEntry& entry);
std::string OutAdapterId(const TraceEntry& entry);

// --- whole lines ---
// "<Operation> name=value ...": what replay compares.
std::string FormatRequest(const TraceEntry& entry);
// "-> <result> name=value ...", or empty for operations without a result.
std::string FormatResult(const TraceEntry& entry);
// "<ms> <request>[ <result>]".
std::string FormatLine(const TraceEntry& entry);

// True for lines the reader skips: blank, or a comment starting with '#'.
bool IsTraceCommentOrBlank(std::string_view line);
// Reads one operation line into the same canonical form the Trace* functions build
// (hex digits may be written in either case). False and a reason when it is malformed.
bool ParseTraceLine(std::string_view line, TraceEntry& entry, std::string& error);

// One operation line of a trace text, with where it stood.
struct TraceLine {
  int number = 0;    // 1-based line number in the text
  std::string text;  // the line as written (line ending removed)
  TraceEntry entry;
};

// Reads a whole trace, skipping comments and blank lines. On the first malformed line
// returns nullopt and `error` = "line <n>: <reason>: <text>".
std::optional<std::vector<TraceLine>> ParseTrace(std::string_view text, std::string& error);

// --- value forms ---
std::string FormatTraceByte(uint8_t value);    // 0x4C
std::string FormatTraceWord(uint16_t value);   // 0x0800
std::string FormatTraceData(std::span<const uint8_t> bytes);  // 0A01FF
// Percent-encodes space, '%' and '=' (%20 %25 %3D), and also control characters, so a
// text can neither split a value nor break the line.
std::string EncodeTraceText(std::string_view text);
// Undoes EncodeTraceText (any %XX is accepted); false on a '%' without two hex digits.
bool DecodeTraceText(std::string_view encoded, std::string& text);

}  // namespace tester
