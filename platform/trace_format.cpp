#include "platform/trace_format.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace tester {
namespace {

// How a value is written on a trace line.
enum class ValueKind {
  kByte,   // 0x + 2 hex digits: commands, addresses, devices, registers, byte values
  kWord,   // 0x + 4 hex digits: the unsigned 16-bit pattern of a word
  kInt16,  // decimal, 16-bit: statuses, lengths, bus mode
  kInt32,  // decimal, 32-bit: RegByteOp mode, milliseconds, adapter counts and handles
  kData,   // one run of hex digits, two per byte, possibly empty
  kText,   // percent-encoded text
};

struct FieldForm {
  std::string_view name;
  ValueKind kind;
};

// The shape of one operation's line: its request fields, whether a result follows the
// arrow (and how wide it is), and the out-values after the result.
struct LineForm {
  std::string_view op;
  std::span<const FieldForm> request;
  std::optional<ValueKind> result;
  std::span<const FieldForm> outs;
};

constexpr FieldForm kCmd{"cmd", ValueKind::kByte};
constexpr FieldForm kAddr{"addr", ValueKind::kByte};
constexpr FieldForm kReg{"reg", ValueKind::kByte};
constexpr FieldForm kLen{"len", ValueKind::kInt16};
constexpr FieldForm kData{"data", ValueKind::kData};

constexpr std::span<const FieldForm> kNone{};

constexpr FieldForm kPutWordReq[] = {kCmd, {"word", ValueKind::kWord}, kAddr};
constexpr FieldForm kCmdAddrReq[] = {kCmd, kAddr};
constexpr FieldForm kWordOut[] = {{"word", ValueKind::kWord}};
constexpr FieldForm kPutBlockReq[] = {kCmd, kAddr, kLen, kData};
constexpr FieldForm kBlockOut[] = {kLen, kData};
constexpr FieldForm kRegWriteReq[] = {
    {"mode", ValueKind::kInt32}, {"dev", ValueKind::kByte}, kReg, {"val", ValueKind::kByte}};
constexpr FieldForm kRegReadReq[] = {
    {"mode", ValueKind::kInt32}, {"dev", ValueKind::kByte}, kReg};
constexpr FieldForm kValOut[] = {{"val", ValueKind::kByte}};
constexpr FieldForm kGetRegBlockReq[] = {kReg, kAddr, kLen};
constexpr FieldForm kPutRegBlockReq[] = {kReg, kAddr, kLen, kData};
constexpr FieldForm kBusModeReq[] = {{"mode", ValueKind::kInt16}};
constexpr FieldForm kPauseReq[] = {{"ms", ValueKind::kInt32}};
constexpr FieldForm kOpenReq[] = {{"name", ValueKind::kText}};
constexpr FieldForm kListReq[] = {{"max", ValueKind::kInt32}};
constexpr FieldForm kNamesOut[] = {{"names", ValueKind::kText}};
constexpr FieldForm kAdapterId[] = {{"id", ValueKind::kText}};

constexpr std::optional<ValueKind> kStatus = ValueKind::kInt16;
constexpr std::optional<ValueKind> kNoResult = std::nullopt;

// One form per operation; RegByteOp has two, told apart by its mode.
constexpr LineForm kPutWord{"PutWord", kPutWordReq, kStatus, kNone};
constexpr LineForm kGetWord{"GetWord", kCmdAddrReq, kStatus, kWordOut};
constexpr LineForm kPutBlock{"PutBlock", kPutBlockReq, kStatus, kNone};
constexpr LineForm kGetBlock{"GetBlock", kCmdAddrReq, kStatus, kBlockOut};
constexpr LineForm kPutCommand{"PutCommand", kCmdAddrReq, kStatus, kNone};
constexpr LineForm kRegByteWrite{"RegByteOp", kRegWriteReq, kStatus, kNone};
constexpr LineForm kRegByteRead{"RegByteOp", kRegReadReq, kStatus, kValOut};
constexpr LineForm kGetRegBlock{"GetRegBlock", kGetRegBlockReq, kStatus, kBlockOut};
constexpr LineForm kPutRegBlock{"PutRegBlock", kPutRegBlockReq, kStatus, kNone};
constexpr LineForm kBusStatus{"BusStatus", kNone, kStatus, kNone};
constexpr LineForm kSetBusMode{"SetBusMode", kBusModeReq, kStatus, kNone};
constexpr LineForm kPause{"Pause", kPauseReq, kNoResult, kNone};
constexpr LineForm kOpenAdapter{"OpenAdapter", kOpenReq, ValueKind::kInt32, kNone};
constexpr LineForm kListAdapters{"ListAdapters", kListReq, ValueKind::kInt32, kNamesOut};
constexpr LineForm kCloseLink{"CloseLink", kNone, kNoResult, kNone};
constexpr LineForm kAboutBox{"AboutBox", kNone, kNoResult, kNone};
// The adapter's own identification operations.
constexpr LineForm kReadAdapterId{"ReadAdapterId", kNone, kStatus, kAdapterId};
constexpr LineForm kWriteAdapterId{"WriteAdapterId", kAdapterId, kStatus, kNone};
constexpr LineForm kAdapterFirmware{"AdapterFirmware", kNone, ValueKind::kInt32, kNone};

constexpr const LineForm* kForms[] = {
    &kPutWord,   &kGetWord,     &kPutBlock,    &kGetBlock,    &kPutCommand,
    &kRegByteWrite, &kGetRegBlock, &kPutRegBlock, &kBusStatus, &kSetBusMode,
    &kPause,     &kOpenAdapter, &kListAdapters, &kCloseLink,  &kAboutBox,
    &kReadAdapterId, &kWriteAdapterId, &kAdapterFirmware,
};

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr size_t kShownChars = 100;  // longest piece of a trace an error message quotes
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";  // byte-order mark an editor may add

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string HexDigits(uint32_t value, int digits) {
  std::string out(static_cast<size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i) {
    out[static_cast<size_t>(i)] = kHexDigits[value & 0xF];
    value >>= 4;
  }
  return out;
}

// Control bytes other than tab as %XX, everything else as it stands.
std::string EncodeControlBytes(std::string_view text) {
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      out += '%';
      out += HexDigits(byte, 2);
    } else {
      out += c;
    }
  }
  return out;
}

// A piece of a trace as an error message quotes it: control bytes written as %XX (a NUL or
// an escape sequence must not cut or garble the message) and long text cut short.
std::string Shown(std::string_view text) {
  const bool cut = text.size() > kShownChars;
  std::string out = EncodeControlBytes(cut ? text.substr(0, kShownChars) : text);
  if (cut) out += "...";
  return out;
}

// "0x" followed by exactly `digits` hex digits, either case.
std::optional<uint32_t> ParseHexValue(std::string_view text, int digits) {
  if (text.size() != 2 + static_cast<size_t>(digits) || text[0] != '0' ||
      (text[1] != 'x' && text[1] != 'X')) {
    return std::nullopt;
  }
  uint32_t value = 0;
  for (char c : text.substr(2)) {
    int digit = HexValue(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

// Optional '-' and decimal digits, nothing else, within [low, high].
std::optional<int64_t> ParseDecimal(std::string_view text, int64_t low, int64_t high) {
  if (text.empty() || text[0] == '+') return std::nullopt;
  int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<std::vector<uint8_t>> ParseHexData(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int high = HexValue(text[i]);
    int low = HexValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return bytes;
}

// The written form of a value of `kind`, normalised (upper-case hex, plain decimal,
// canonical encoding); nullopt when `text` is not such a value.
std::optional<std::string> CanonicalValue(ValueKind kind, std::string_view text) {
  switch (kind) {
    case ValueKind::kByte:
      if (auto v = ParseHexValue(text, 2)) return FormatTraceByte(static_cast<uint8_t>(*v));
      return std::nullopt;
    case ValueKind::kWord:
      if (auto v = ParseHexValue(text, 4)) return FormatTraceWord(static_cast<uint16_t>(*v));
      return std::nullopt;
    case ValueKind::kInt16:
      if (auto v = ParseDecimal(text, std::numeric_limits<int16_t>::min(),
                                std::numeric_limits<int16_t>::max())) {
        return std::to_string(*v);
      }
      return std::nullopt;
    case ValueKind::kInt32:
      if (auto v = ParseDecimal(text, std::numeric_limits<int32_t>::min(),
                                std::numeric_limits<int32_t>::max())) {
        return std::to_string(*v);
      }
      return std::nullopt;
    case ValueKind::kData:
      if (auto bytes = ParseHexData(text)) return FormatTraceData(*bytes);
      return std::nullopt;
    case ValueKind::kText: {
      std::string decoded;
      if (DecodeTraceText(text, decoded)) return EncodeTraceText(decoded);
      return std::nullopt;
    }
  }
  return std::nullopt;
}

std::string_view Placeholder(ValueKind kind) {
  switch (kind) {
    case ValueKind::kByte: return "0x..";
    case ValueKind::kWord: return "0x....";
    case ValueKind::kInt16:
    case ValueKind::kInt32: return "<number>";
    case ValueKind::kData: return "<hex bytes>";
    case ValueKind::kText: return "<text>";
  }
  return "";
}

std::string DescribeFields(std::span<const FieldForm> fields) {
  if (fields.empty()) return "nothing";
  std::string out;
  for (const FieldForm& field : fields) {
    if (!out.empty()) out += ' ';
    out += std::string(field.name) + "=" + std::string(Placeholder(field.kind));
  }
  return out;
}

std::string JoinTokens(std::span<const std::string_view> tokens) {
  std::string out;
  for (std::string_view token : tokens) {
    if (!out.empty()) out += ' ';
    out += token;
  }
  return out;
}

std::vector<std::string_view> SplitTokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    size_t end = pos;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > pos) tokens.push_back(line.substr(pos, end - pos));
    pos = end;
  }
  return tokens;
}

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.remove_suffix(1);
  }
  return line;
}

// The form a line of operation `op` follows; RegByteOp's depends on its mode.
const LineForm* FindForm(std::string_view op, std::span<const std::string_view> request) {
  if (op == kRegByteWrite.op && !request.empty() && request[0].starts_with("mode=")) {
    auto mode = ParseDecimal(request[0].substr(5), std::numeric_limits<int32_t>::min(),
                             std::numeric_limits<int32_t>::max());
    if (mode && *mode == kRegByteReadMode) return &kRegByteRead;
  }
  for (const LineForm* form : kForms) {
    if (form->op == op) return form;
  }
  return nullptr;
}

bool ParseFields(std::span<const FieldForm> forms, std::span<const std::string_view> tokens,
                 std::vector<TraceField>& fields, std::string& error) {
  if (tokens.size() != forms.size()) {
    error =
        "expected " + DescribeFields(forms) + ", found \"" + Shown(JoinTokens(tokens)) + "\"";
    return false;
  }
  for (size_t i = 0; i < forms.size(); ++i) {
    std::string_view token = tokens[i];
    size_t eq = token.find('=');
    std::string_view name = token.substr(0, eq);
    if (eq == std::string_view::npos || name != forms[i].name) {
      error = "expected " + DescribeFields(forms) + ", found \"" + Shown(JoinTokens(tokens)) +
              "\"";
      return false;
    }
    auto value = CanonicalValue(forms[i].kind, token.substr(eq + 1));
    if (!value) {
      error = "bad value in \"" + Shown(token) + "\" (expected " +
              std::string(forms[i].name) + "=" + std::string(Placeholder(forms[i].kind)) + ")";
      return false;
    }
    fields.push_back({std::string(name), *value});
  }
  return true;
}

// A block's data never holds more bytes than its length says: the tracer writes the bytes
// the length covers (fewer when the caller's buffer was shorter), so more means the line
// was damaged, and replay would hand out bytes the device never sent.
bool CheckBlockData(const std::vector<TraceField>& fields, std::string& error) {
  const std::string* length_text = nullptr;
  const std::string* data_text = nullptr;
  for (const TraceField& field : fields) {
    if (field.name == kLen.name) length_text = &field.value;
    if (field.name == kData.name) data_text = &field.value;
  }
  if (length_text == nullptr || data_text == nullptr) return true;
  const int64_t length = ParseDecimal(*length_text, std::numeric_limits<int16_t>::min(),
                                      std::numeric_limits<int16_t>::max())
                             .value_or(0);
  const size_t bytes = data_text->size() / 2;
  if (static_cast<int64_t>(bytes) <= std::max<int64_t>(length, 0)) return true;
  error = "data holds " + std::to_string(bytes) + " bytes, more than len=" + *length_text;
  return false;
}

bool ParseResultPart(const LineForm& form, std::span<const std::string_view> tokens,
                     TraceEntry& entry, std::string& error) {
  if (tokens.empty()) {
    error = "missing result after \"->\"";
    return false;
  }
  int64_t low = *form.result == ValueKind::kInt16 ? std::numeric_limits<int16_t>::min()
                                                  : std::numeric_limits<int32_t>::min();
  int64_t high = *form.result == ValueKind::kInt16 ? std::numeric_limits<int16_t>::max()
                                                   : std::numeric_limits<int32_t>::max();
  auto result = ParseDecimal(tokens[0], low, high);
  if (!result) {
    error = "bad result \"" + Shown(tokens[0]) + "\"";
    return false;
  }
  entry.result = static_cast<int32_t>(*result);
  return ParseFields(form.outs, tokens.subspan(1), entry.outs, error) &&
         CheckBlockData(entry.outs, error);
}

TraceEntry Request(const LineForm& form, std::initializer_list<std::string> values) {
  TraceEntry entry;
  entry.op = std::string(form.op);
  size_t i = 0;
  for (const std::string& value : values) {
    entry.request.push_back({std::string(form.request[i].name), value});
    ++i;
  }
  return entry;
}

const std::string* FindOut(const TraceEntry& entry, std::string_view name) {
  for (const TraceField& field : entry.outs) {
    if (field.name == name) return &field.value;
  }
  return nullptr;
}

// The bytes of a buffer a length covers: never negative, never past the buffer's end.
std::span<const uint8_t> Covered(std::span<const uint8_t> bytes, int16_t length) {
  size_t count = length > 0 ? static_cast<size_t>(length) : 0;
  return bytes.first(std::min(count, bytes.size()));
}

}  // namespace

std::string FormatTraceByte(uint8_t value) { return "0x" + HexDigits(value, 2); }

std::string FormatTraceWord(uint16_t value) { return "0x" + HexDigits(value, 4); }

std::string FormatTraceData(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (uint8_t byte : bytes) out += HexDigits(byte, 2);
  return out;
}

std::string EncodeTraceText(std::string_view text) {
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == ' ' || c == '%' || c == '=' || byte < 0x20 || byte == 0x7F) {
      out += '%';
      out += HexDigits(byte, 2);
    } else {
      out += c;
    }
  }
  return out;
}

bool DecodeTraceText(std::string_view encoded, std::string& text) {
  text.clear();
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != '%') {
      text += encoded[i];
      continue;
    }
    if (i + 2 >= encoded.size()) return false;
    int high = HexValue(encoded[i + 1]);
    int low = HexValue(encoded[i + 2]);
    if (high < 0 || low < 0) return false;
    text += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

TraceEntry TracePutWord(uint8_t cmd, int16_t word, uint8_t addr) {
  return Request(kPutWord, {FormatTraceByte(cmd), FormatTraceWord(static_cast<uint16_t>(word)),
                            FormatTraceByte(addr)});
}

TraceEntry TraceGetWord(uint8_t cmd, uint8_t addr) {
  return Request(kGetWord, {FormatTraceByte(cmd), FormatTraceByte(addr)});
}

TraceEntry TracePutBlock(uint8_t cmd, std::span<const uint8_t> bytes, int16_t length,
                         uint8_t addr) {
  return Request(kPutBlock, {FormatTraceByte(cmd), FormatTraceByte(addr), std::to_string(length),
                             FormatTraceData(Covered(bytes, length))});
}

TraceEntry TraceGetBlock(uint8_t cmd, uint8_t addr) {
  return Request(kGetBlock, {FormatTraceByte(cmd), FormatTraceByte(addr)});
}

TraceEntry TracePutCommand(uint8_t cmd, uint8_t addr) {
  return Request(kPutCommand, {FormatTraceByte(cmd), FormatTraceByte(addr)});
}

TraceEntry TraceRegByteOp(int32_t mode, uint8_t dev, uint8_t reg, uint8_t value) {
  if (mode == kRegByteReadMode) {
    return Request(kRegByteRead,
                   {std::to_string(mode), FormatTraceByte(dev), FormatTraceByte(reg)});
  }
  return Request(kRegByteWrite, {std::to_string(mode), FormatTraceByte(dev), FormatTraceByte(reg),
                                 FormatTraceByte(value)});
}

TraceEntry TraceGetRegBlock(uint8_t reg, uint8_t addr, int16_t length_asked) {
  return Request(kGetRegBlock,
                 {FormatTraceByte(reg), FormatTraceByte(addr), std::to_string(length_asked)});
}

TraceEntry TracePutRegBlock(uint8_t reg, std::span<const uint8_t> bytes, int16_t length,
                            uint8_t addr) {
  return Request(kPutRegBlock, {FormatTraceByte(reg), FormatTraceByte(addr), std::to_string(length),
                                FormatTraceData(Covered(bytes, length))});
}

TraceEntry TraceBusStatus() { return Request(kBusStatus, {}); }

TraceEntry TraceSetBusMode(int16_t mode) { return Request(kSetBusMode, {std::to_string(mode)}); }

TraceEntry TracePause(int32_t ms) { return Request(kPause, {std::to_string(ms)}); }

TraceEntry TraceOpenAdapter(const std::string& name) {
  return Request(kOpenAdapter, {EncodeTraceText(name)});
}

TraceEntry TraceListAdapters(int32_t maximum) {
  return Request(kListAdapters, {std::to_string(maximum)});
}

TraceEntry TraceCloseLink() { return Request(kCloseLink, {}); }

TraceEntry TraceAboutBox() { return Request(kAboutBox, {}); }

TraceEntry TraceReadAdapterId() { return Request(kReadAdapterId, {}); }

TraceEntry TraceWriteAdapterId(const std::string& id) {
  return Request(kWriteAdapterId, {EncodeTraceText(id)});
}

TraceEntry TraceAdapterFirmware() { return Request(kAdapterFirmware, {}); }

void SetTraceResult(TraceEntry& entry, int32_t result) { entry.result = result; }

void AddWordOut(TraceEntry& entry, int16_t word) {
  entry.outs.push_back(
      {std::string(kWordOut[0].name), FormatTraceWord(static_cast<uint16_t>(word))});
}

void AddValueOut(TraceEntry& entry, uint8_t value) {
  entry.outs.push_back({std::string(kValOut[0].name), FormatTraceByte(value)});
}

void AddBlockOut(TraceEntry& entry, std::span<const uint8_t> bytes, int16_t length) {
  entry.outs.push_back({std::string(kLen.name), std::to_string(length)});
  entry.outs.push_back({std::string(kData.name), FormatTraceData(Covered(bytes, length))});
}

void AddNamesOut(TraceEntry& entry, const std::string& names) {
  entry.outs.push_back({std::string(kNamesOut[0].name), EncodeTraceText(names)});
}

void AddAdapterIdOut(TraceEntry& entry, const std::string& id) {
  entry.outs.push_back({std::string(kAdapterId[0].name), EncodeTraceText(id)});
}

int16_t OutWord(const TraceEntry& entry) {
  const std::string* value = FindOut(entry, kWordOut[0].name);
  auto word = value ? ParseHexValue(*value, 4) : std::nullopt;
  return static_cast<int16_t>(static_cast<uint16_t>(word.value_or(0)));
}

uint8_t OutValue(const TraceEntry& entry) {
  const std::string* value = FindOut(entry, kValOut[0].name);
  auto byte = value ? ParseHexValue(*value, 2) : std::nullopt;
  return static_cast<uint8_t>(byte.value_or(0));
}

int16_t OutLength(const TraceEntry& entry) {
  const std::string* value = FindOut(entry, kLen.name);
  auto length = value ? ParseDecimal(*value, std::numeric_limits<int16_t>::min(),
                                     std::numeric_limits<int16_t>::max())
                      : std::nullopt;
  return static_cast<int16_t>(length.value_or(0));
}

std::vector<uint8_t> OutData(const TraceEntry& entry) {
  const std::string* value = FindOut(entry, kData.name);
  auto bytes = value ? ParseHexData(*value) : std::nullopt;
  return bytes.value_or(std::vector<uint8_t>{});
}

std::string OutNames(const TraceEntry& entry) {
  const std::string* value = FindOut(entry, kNamesOut[0].name);
  std::string names;
  if (!value || !DecodeTraceText(*value, names)) return "";
  return names;
}

std::string OutAdapterId(const TraceEntry& entry) {
  const std::string* value = FindOut(entry, kAdapterId[0].name);
  std::string id;
  if (!value || !DecodeTraceText(*value, id)) return "";
  return id;
}

std::string FormatRequest(const TraceEntry& entry) {
  std::string out = entry.op;
  for (const TraceField& field : entry.request) out += " " + field.name + "=" + field.value;
  return out;
}

std::string FormatResult(const TraceEntry& entry) {
  if (!entry.result) return "";
  std::string out = "-> " + std::to_string(*entry.result);
  for (const TraceField& field : entry.outs) out += " " + field.name + "=" + field.value;
  return out;
}

std::string FormatLine(const TraceEntry& entry) {
  std::string line = std::to_string(entry.ms) + " " + FormatRequest(entry);
  std::string result = FormatResult(entry);
  if (!result.empty()) line += " " + result;
  return line;
}

bool IsTraceCommentOrBlank(std::string_view line) {
  size_t first = line.find_first_not_of(" \t\r");
  return first == std::string_view::npos || line[first] == '#';
}

bool ParseTraceLine(std::string_view line, TraceEntry& entry, std::string& error) {
  entry = TraceEntry{};
  std::vector<std::string_view> tokens = SplitTokens(TrimLineEnd(line));
  if (tokens.size() < 2) {
    error = "expected <ms> <Operation> ...";
    return false;
  }
  auto ms = ParseDecimal(tokens[0], 0, std::numeric_limits<int64_t>::max());
  if (!ms) {
    error = "bad time \"" + Shown(tokens[0]) + "\"";
    return false;
  }
  entry.ms = *ms;
  auto arrow = std::find(tokens.begin() + 2, tokens.end(), std::string_view("->"));
  std::span<const std::string_view> request(tokens.begin() + 2, arrow);
  const LineForm* form = FindForm(tokens[1], request);
  if (!form) {
    error = "unknown operation \"" + Shown(tokens[1]) + "\"";
    return false;
  }
  entry.op = std::string(form->op);
  if (!ParseFields(form->request, request, entry.request, error) ||
      !CheckBlockData(entry.request, error)) {
    return false;
  }
  if (!form->result) {
    if (arrow == tokens.end()) return true;
    error = entry.op + " has no result";
    return false;
  }
  if (arrow == tokens.end()) {
    error = "missing \"-> <result>\"";
    return false;
  }
  return ParseResultPart(*form, std::span<const std::string_view>(arrow + 1, tokens.end()), entry,
                         error);
}

std::optional<std::vector<TraceLine>> ParseTrace(std::string_view text, std::string& error) {
  std::vector<TraceLine> lines;
  int number = 0;
  size_t pos = text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = TrimLineEnd(text.substr(pos, end - pos));
    pos = end + 1;
    ++number;
    if (IsTraceCommentOrBlank(raw)) continue;
    TraceLine line{number, std::string(raw), {}};
    std::string reason;
    if (!ParseTraceLine(raw, line.entry, reason)) {
      error = "line " + std::to_string(number) + ": " + reason + ": " + Shown(raw);
      return std::nullopt;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace tester
