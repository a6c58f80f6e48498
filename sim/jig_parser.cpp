// Line-based jig file: "[adapter <identifier>]" and "[pack <label>]" open sections,
// "key = value" lines fill them, "#" starts a comment. See docs/jig-file.md.
#include <cctype>
#include <map>
#include <sstream>
#include <string_view>

#include "platform/atomic_file.h"
#include "sim/jig.h"
#include "sim/jig_keys.h"
#include "sim/jig_values.h"

namespace tester {

namespace {

constexpr size_t kIdentifierDigits = 32;  // adapter identifier: 32 hexadecimal digits
constexpr size_t kShownChars = 60;        // longest piece of the file an error message quotes
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";  // byte-order mark some editors write

// A piece of the file as an error message quotes it: control bytes written as \xNN (a NUL
// or an escape sequence must not cut or garble the message) and long text cut short.
std::string Shown(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  size_t length = text.size();
  if (length > kShownChars) {
    length = kShownChars;
    // Never cut a UTF-8 character in two: back off to the start of the one that is cut.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  std::string out;
  for (size_t i = 0; i < length; ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += text[i];
    }
  }
  if (length < text.size()) out += "...";
  return out;
}

std::string LineError(int line, const std::string& what) {
  return "line " + std::to_string(line) + ": " + what;
}

std::string StripComment(const std::string& line) {
  size_t hash = line.find('#');
  return TrimJig(hash == std::string::npos ? line : line.substr(0, hash));
}

std::optional<std::string> NormalisedIdentifier(const std::string& text) {
  std::string id = TrimJig(text);
  if (id.size() != kIdentifierDigits) return std::nullopt;
  for (char& c : id) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return id;
}

class JigParser {
public:
  bool ParseLine(int number, const std::string& raw, std::string& error) {
    std::string line = StripComment(raw);
    if (line.empty()) return true;
    if (line.front() == '[') return OpenSection(number, line, error);
    size_t eq = line.find('=');
    if (eq == std::string::npos) {
      error = LineError(number, "expected \"key = value\" or a [section] header");
      return false;
    }
    return ApplyKey(number, TrimJig(line.substr(0, eq)), TrimJig(line.substr(eq + 1)), error);
  }

  bool Finish(std::string& error) {
    for (const AdapterDescription& adapter : jig_.adapters) {
      for (const PackDescription& pack : adapter.packs) {
        if (!CheckPack(pack, error)) return false;
      }
    }
    return true;
  }

  JigDescription Take() { return std::move(jig_); }

private:
  bool OpenSection(int number, const std::string& line, std::string& error) {
    if (line.back() != ']') {
      error = LineError(number, "section header without closing ']'");
      return false;
    }
    std::string inner = TrimJig(line.substr(1, line.size() - 2));
    size_t space = inner.find_first_of(" \t");
    std::string kind = inner.substr(0, space);
    std::string rest = space == std::string::npos ? "" : TrimJig(inner.substr(space));
    if (kind == "adapter") return OpenAdapter(number, rest, error);
    if (kind == "pack") return OpenPack(number, rest, error);
    error = LineError(number, "unknown section [" + Shown(kind) +
                                  "]; expected [adapter ...] or [pack]");
    return false;
  }

  bool OpenAdapter(int number, const std::string& text, std::string& error) {
    auto id = NormalisedIdentifier(text);
    if (!id) {
      error = LineError(number, "adapter identifier must be 32 hexadecimal digits, got \"" +
                                    Shown(text) + "\"");
      return false;
    }
    auto seen = first_line_.find(*id);
    if (seen != first_line_.end()) {
      error = LineError(number, "duplicate adapter identifier " + *id + " (first at line " +
                                    std::to_string(seen->second) + ")");
      return false;
    }
    first_line_[*id] = number;
    AdapterDescription adapter;
    adapter.identifier = *id;
    adapter.line = number;
    jig_.adapters.push_back(adapter);
    in_pack_ = false;
    return true;
  }

  bool OpenPack(int number, const std::string& label, std::string& error) {
    if (jig_.adapters.empty()) {
      error = LineError(number, "pack outside an adapter: put an [adapter ...] section first");
      return false;
    }
    PackDescription pack;
    pack.label = label;
    pack.line = number;
    jig_.adapters.back().packs.push_back(pack);
    in_pack_ = true;
    return true;
  }

  bool ApplyKey(int number, const std::string& key, const std::string& value,
                std::string& error) {
    if (jig_.adapters.empty()) {
      error = LineError(number, "key \"" + Shown(key) + "\" outside any section");
      return false;
    }
    AdapterDescription& adapter = jig_.adapters.back();
    std::string what;
    KeyResult result = in_pack_ ? ApplyPackKey(adapter.packs.back(), key, value, what)
                                : ApplyAdapterKey(adapter, key, value, what);
    if (result == KeyResult::kUnknownKey) {
      error = LineError(number, std::string("unknown ") + (in_pack_ ? "pack" : "adapter") +
                                    " key \"" + Shown(key) + "\"");
      return false;
    }
    if (result == KeyResult::kBadValue) {
      error = LineError(number, "bad value \"" + Shown(value) + "\" for " + key + ": " + what);
      return false;
    }
    return true;
  }

  static bool CheckPack(const PackDescription& pack, std::string& error) {
    for (const DataFlashClass& c : pack.classes) {
      if (c.address + c.length > 2048) {
        error = LineError(pack.line, "class " + std::to_string(c.id) + " runs past the data flash");
        return false;
      }
    }
    if (pack.defects.fail_at > 0 && pack.defects.fail_from > 0 &&
        pack.defects.fail_from < pack.defects.fail_at) {
      error = LineError(pack.line, "fail_at lies after fail_from: it would never show");
      return false;
    }
    return true;
  }

  JigDescription jig_;
  std::map<std::string, int> first_line_;
  bool in_pack_ = false;
};

}  // namespace

std::optional<JigDescription> ParseJigText(const std::string& text, std::string& error) {
  JigParser parser;
  std::istringstream in(text.starts_with(kUtf8Bom) ? text.substr(kUtf8Bom.size()) : text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!parser.ParseLine(number, line, error)) return std::nullopt;
  }
  if (!parser.Finish(error)) return std::nullopt;
  return parser.Take();
}

std::optional<JigDescription> ParseJigFile(const std::string& path, std::string& error) {
  std::string reason;
  std::optional<std::string> text = ReadWholeFile(path, &reason);
  if (!text) {
    error = "cannot read jig file: " + reason;
    return std::nullopt;
  }
  auto jig = ParseJigText(*text, error);
  if (!jig) error = path + ": " + error;
  return jig;
}

}  // namespace tester
