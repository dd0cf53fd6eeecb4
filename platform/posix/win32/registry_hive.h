// The Linux registry's in-memory hive and its ".reg" text form.
//
// One tree from HKEY_LOCAL_MACHINE down; HKEY_CLASSES_ROOT is the subtree
// SOFTWARE\Classes, as on Windows. Key and value names compare without regard
// to ASCII case and keep the case they were created with; subkeys enumerate in
// that case-blind order, values keep the order they were set in.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "orlin/registry.h"
#include "platform/posix/win32/utf16.h"

namespace orlin::platform::registry {

struct FoldedLess {
  bool operator()(const std::u16string& a, const std::u16string& b) const;
};
bool SameName(std::u16string_view a, std::u16string_view b);

struct Value {
  std::u16string name;  // empty: the key's default value, "@" in the file
  DWORD type = REG_NONE;
  std::vector<std::uint8_t> data;
};

struct Node {
  std::u16string name;
  std::vector<Value> values;
  std::map<std::u16string, std::unique_ptr<Node>, FoldedLess> subkeys;  // by name

  Node* Find(std::u16string_view child) const;
  Node& Ensure(std::u16string_view child, bool* created = nullptr);
  Value* FindValue(std::u16string_view valueName);
  void SetValue(std::u16string_view valueName, DWORD type, std::vector<std::uint8_t> data);
  bool DeleteValue(std::u16string_view valueName);
};

// A key path below HKEY_LOCAL_MACHINE, one name per component.
using KeyPath = std::vector<std::u16string>;

// Splits "A\B\C"; empty components (doubled or trailing backslashes) are skipped.
KeyPath SplitPath(std::u16string_view path);

// The path of HKEY_CLASSES_ROOT below HKEY_LOCAL_MACHINE.
const KeyPath& ClassesRootPath();

struct Hive {
  Node root;  // HKEY_LOCAL_MACHINE

  Node* Find(const KeyPath& path);
  Node& Ensure(const KeyPath& path, bool* created = nullptr);
};

struct ParseError {
  int line = 0;
  std::string message;
};

// Reads a hive from ".reg" text (UTF-8, with or without a byte-order mark, or
// UTF-16LE with its mark, as regedit writes it). On failure the error names the
// first offending line and nothing of the text is kept.
std::optional<ParseError> ParseRegFile(std::string_view text, Hive& hive);

// The ".reg" text of a hive: a section for every key that holds values or has
// no subkeys (the others are implied by their descendants' sections).
std::string FormatRegFile(const Hive& hive);

// The hive's text is UTF-8 on disk and UTF-16 in its keys and values.
using detail::Utf16FromUtf8;
using detail::Utf8FromUtf16;

}  // namespace orlin::platform::registry
