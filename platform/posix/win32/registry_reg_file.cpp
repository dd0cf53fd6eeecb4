// The ".reg" text form of the hive, as regedit exports and imports it:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Tessaly\Orlin\VideoFormat]
//   "FourCC"=hex:49,59,55,56
//   "Width"=dword:000000b0
//   @="default value"
//
// Also read: ";" comment lines, "[-KEY]" and "Name"=- deletions, hex(N): for
// the other value types, hex lists continued over lines ending in "\", and
// [HKEY_CLASSES_ROOT\...] sections (kept under SOFTWARE\Classes).
#include <cstdio>

#include "platform/posix/win32/registry_hive.h"

namespace orlin::platform::registry {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kMachineRoot = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kClassesRoot = "HKEY_CLASSES_ROOT";
// regedit writes CRLF; it is what an import on Windows expects.
constexpr std::string_view kNewline = "\r\n";

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsSpace(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (IsSpace(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text, bool terminate) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 * text.size() + 2);
  for (char16_t c : text) {
    bytes.push_back(std::uint8_t(c & 0xFF));
    bytes.push_back(std::uint8_t(c >> 8));
  }
  if (terminate) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

// Reads a quoted string at the front of `s` (which starts at the opening
// quote) and removes it from `s`. Only \\ and \" are escapes, as regedit writes.
std::optional<std::string> TakeQuoted(std::string_view& s) {
  std::string out;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] == '"') {
      s.remove_prefix(i + 1);
      return out;
    }
    if (s[i] == '\\') {
      if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) return std::nullopt;
      ++i;
    }
    out += s[i];
  }
  return std::nullopt;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<ParseError> Run(Hive& out) {
    Hive hive;
    bool headerSeen = false;
    Node* section = nullptr;
    std::string_view line;
    while (NextLine(line)) {
      const int lineNumber = line_;
      line = Trim(line);
      if (line.empty() || line.front() == ';') continue;
      if (!headerSeen) {
        if (line != kHeader) return Error(lineNumber, "expected \"" + std::string(kHeader) + "\"");
        headerSeen = true;
        continue;
      }
      if (line.front() == '[') {
        if (auto error = Section(line, lineNumber, hive, section)) return error;
        continue;
      }
      if (section == nullptr) return Error(lineNumber, "value outside a [key] section");
      if (auto error = ValueLine(line, lineNumber, *section)) return error;
    }
    // A file of nothing but blank and comment lines (one made with touch) is an
    // empty hive, not a damaged one.
    out = std::move(hive);
    return std::nullopt;
  }

 private:
  static std::optional<ParseError> Error(int line, std::string message) {
    return ParseError{line, std::move(message)};
  }

  bool NextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++line_;
    return true;
  }

  std::optional<ParseError> Section(std::string_view line, int lineNumber, Hive& hive,
                                    Node*& section) {
    if (line.back() != ']') return Error(lineNumber, "key section without closing \"]\"");
    std::string_view name = line.substr(1, line.size() - 2);
    const bool remove = !name.empty() && name.front() == '-';
    if (remove) name.remove_prefix(1);
    const std::size_t slash = name.find('\\');
    const std::string_view root = name.substr(0, slash);
    KeyPath path;
    if (root == kClassesRoot) {
      path = ClassesRootPath();
    } else if (root != kMachineRoot) {
      return Error(lineNumber, "unknown root key \"" + std::string(root) +
                                   "\" (HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT)");
    }
    if (slash != std::string_view::npos) {
      const auto rest = Utf16FromUtf8(name.substr(slash + 1));
      if (!rest) return Error(lineNumber, "key name is not valid UTF-8");
      for (auto& part : SplitPath(*rest)) path.push_back(std::move(part));
    }
    if (!remove) {
      section = &hive.Ensure(path);
      return std::nullopt;
    }
    if (path.empty()) return Error(lineNumber, "a root key cannot be deleted");
    KeyPath parentPath(path.begin(), path.end() - 1);
    if (Node* parent = hive.Find(parentPath)) parent->subkeys.erase(path.back());
    section = nullptr;
    return std::nullopt;
  }

  std::optional<ParseError> ValueLine(std::string_view line, int lineNumber, Node& section) {
    std::u16string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else if (line.front() == '"') {
      const auto quoted = TakeQuoted(line);
      if (!quoted) return Error(lineNumber, "value name without closing quote or with a bad escape");
      const auto wide = Utf16FromUtf8(*quoted);
      if (!wide) return Error(lineNumber, "value name is not valid UTF-8");
      name = *wide;
    } else {
      return Error(lineNumber, "expected a \"Name\"=, @= or [key] line");
    }
    line = Trim(line);
    if (line.empty() || line.front() != '=') return Error(lineNumber, "expected \"=\" after the value name");
    line = Trim(line.substr(1));

    if (line == "-") {
      section.DeleteValue(name);
      return std::nullopt;
    }
    if (!line.empty() && line.front() == '"') {
      const auto quoted = TakeQuoted(line);
      if (!quoted || !Trim(line).empty()) {
        return Error(lineNumber, "string value without closing quote, with a bad escape or with text after it");
      }
      const auto wide = Utf16FromUtf8(*quoted);
      if (!wide) return Error(lineNumber, "string value is not valid UTF-8");
      section.SetValue(name, REG_SZ, Utf16Bytes(*wide, true));
      return std::nullopt;
    }
    if (line.starts_with("dword:")) {
      const std::string_view digits = line.substr(6);
      if (digits.empty() || digits.size() > 8) return Error(lineNumber, "dword: needs 1 to 8 hex digits");
      DWORD number = 0;
      for (char c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return Error(lineNumber, "dword: needs 1 to 8 hex digits");
        number = (number << 4) | DWORD(d);
      }
      section.SetValue(name, REG_DWORD,
                       {std::uint8_t(number), std::uint8_t(number >> 8), std::uint8_t(number >> 16),
                        std::uint8_t(number >> 24)});
      return std::nullopt;
    }
    if (line.starts_with("hex")) return HexValue(line.substr(3), lineNumber, section, name);
    return Error(lineNumber, "unrecognised value data (expected \"...\", dword:, hex: or hex(N):)");
  }

  std::optional<ParseError> HexValue(std::string_view line, int lineNumber, Node& section,
                                     const std::u16string& name) {
    DWORD type = REG_BINARY;
    if (!line.empty() && line.front() == '(') {
      const std::size_t close = line.find(')');
      if (close == std::string_view::npos || close < 2 || close > 9) {
        return Error(lineNumber, "hex(N): needs a hex type number");
      }
      type = 0;
      for (char c : line.substr(1, close - 1)) {
        const int d = HexDigit(c);
        if (d < 0) return Error(lineNumber, "hex(N): needs a hex type number");
        type = (type << 4) | DWORD(d);
      }
      line.remove_prefix(close + 1);
    }
    if (line.empty() || line.front() != ':') return Error(lineNumber, "expected \":\" after hex");
    line.remove_prefix(1);

    std::vector<std::uint8_t> data;
    int errorLine = lineNumber;
    for (;;) {
      line = Trim(line);
      const bool continued = !line.empty() && line.back() == '\\';
      if (continued) line.remove_suffix(1);
      while (!line.empty()) {
        line = Trim(line);
        if (line.size() < 2 || HexDigit(line[0]) < 0 || HexDigit(line[1]) < 0) {
          return Error(errorLine, "hex data must be two-digit bytes separated by commas");
        }
        data.push_back(std::uint8_t(HexDigit(line[0]) * 16 + HexDigit(line[1])));
        line = Trim(line.substr(2));
        if (line.empty()) break;
        if (line.front() != ',') return Error(errorLine, "hex data must be two-digit bytes separated by commas");
        line.remove_prefix(1);
        if (Trim(line).empty() && !continued) {
          return Error(errorLine, "hex data ends in a comma without a continuation \"\\\"");
        }
      }
      if (!continued) break;
      if (!NextLine(line)) return Error(errorLine, "hex data continued past the end of the file");
      errorLine = line_;
    }
    section.SetValue(name, type, std::move(data));
    return std::nullopt;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 0;
};

std::string Quote(std::u16string_view text) {
  std::string out = "\"";
  for (char c : Utf8FromUtf16(text)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A REG_SZ that regedit would write as "...": one terminated string, no line breaks.
std::optional<std::u16string> PlainString(const Value& value) {
  if (value.type != REG_SZ || value.data.size() < 2 || value.data.size() % 2 != 0) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
    text += char16_t(value.data[i] | (value.data[i + 1] << 8));
  }
  if (text.back() != u'\0') return std::nullopt;
  text.pop_back();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\0' || c == u'\r' || c == u'\n') return std::nullopt;
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (low) return std::nullopt;
    if (high) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
      ++i;
    }
  }
  return text;
}

void AppendValue(std::string& out, const Value& value) {
  std::string line = value.name.empty() ? std::string("@") : Quote(value.name);
  line += '=';
  if (const auto text = PlainString(value)) {
    out += line + Quote(*text);
    out += kNewline;
    return;
  }
  if (value.type == REG_DWORD && value.data.size() == 4) {
    char digits[16];
    const DWORD number = DWORD(value.data[0]) | DWORD(value.data[1]) << 8 |
                         DWORD(value.data[2]) << 16 | DWORD(value.data[3]) << 24;
    std::snprintf(digits, sizeof digits, "dword:%08x", unsigned(number));
    out += line + digits;
    out += kNewline;
    return;
  }
  if (value.type == REG_BINARY) {
    line += "hex:";
  } else {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", unsigned(value.type));
    line += prefix;
  }
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02x", unsigned(value.data[i]));
    line += byte;
    if (i + 1 == value.data.size()) break;
    line += ',';
    if (line.size() > 76) {  // regedit keeps its lines within 80 columns
      out += line + "\\";
      out += kNewline;
      line = "  ";
    }
  }
  out += line;
  out += kNewline;
}

void AppendNode(std::string& out, const Node& node, const std::string& path) {
  if (!node.values.empty() || (node.subkeys.empty() && path != kMachineRoot)) {
    out += "[" + path + "]";
    out += kNewline;
    for (const Value& value : node.values) AppendValue(out, value);
    out += kNewline;
  }
  for (const auto& [folded, child] : node.subkeys) {
    AppendNode(out, *child, path + "\\" + Utf8FromUtf16(child->name));
  }
}

}  // namespace

std::optional<ParseError> ParseRegFile(std::string_view text, Hive& hive) {
  if (text.size() >= 2 && std::uint8_t(text[0]) == 0xFF && std::uint8_t(text[1]) == 0xFE) {
    if (text.size() % 2 != 0) return ParseError{1, "UTF-16 text with an odd number of bytes"};
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < text.size(); i += 2) {
      wide += char16_t(std::uint8_t(text[i]) | (std::uint8_t(text[i + 1]) << 8));
    }
    const std::string utf8 = Utf8FromUtf16(wide);
    return Parser(utf8).Run(hive);
  }
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return Parser(text).Run(hive);
}

std::string FormatRegFile(const Hive& hive) {
  std::string out(kHeader);
  out += kNewline;
  out += kNewline;
  AppendNode(out, hive.root, std::string(kMachineRoot));
  return out;
}

}  // namespace orlin::platform::registry
