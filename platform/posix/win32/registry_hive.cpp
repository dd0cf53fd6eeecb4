// The in-memory hive: keys, values and the case-blind names they are found by.
#include "platform/posix/win32/registry_hive.h"

#include <algorithm>

namespace orlin::platform::registry {
namespace {

char16_t Fold(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

}  // namespace

bool FoldedLess::operator()(const std::u16string& a, const std::u16string& b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char16_t x, char16_t y) { return Fold(x) < Fold(y); });
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

Node* Node::Find(std::u16string_view child) const {
  const auto it = subkeys.find(std::u16string(child));
  return it == subkeys.end() ? nullptr : it->second.get();
}

Node& Node::Ensure(std::u16string_view child, bool* created) {
  auto [it, inserted] = subkeys.try_emplace(std::u16string(child));
  if (inserted) {
    it->second = std::make_unique<Node>();
    it->second->name = std::u16string(child);
  }
  if (created != nullptr) *created = inserted;
  return *it->second;
}

Value* Node::FindValue(std::u16string_view valueName) {
  for (Value& value : values) {
    if (SameName(value.name, valueName)) return &value;
  }
  return nullptr;
}

void Node::SetValue(std::u16string_view valueName, DWORD type, std::vector<std::uint8_t> data) {
  Value* value = FindValue(valueName);
  if (value == nullptr) {
    values.push_back(Value{std::u16string(valueName), type, {}});
    value = &values.back();
  }
  value->type = type;
  value->data = std::move(data);
}

bool Node::DeleteValue(std::u16string_view valueName) {
  const auto it = std::find_if(values.begin(), values.end(),
                               [&](const Value& v) { return SameName(v.name, valueName); });
  if (it == values.end()) return false;
  values.erase(it);
  return true;
}

KeyPath SplitPath(std::u16string_view path) {
  KeyPath parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

const KeyPath& ClassesRootPath() {
  static const KeyPath path{u"SOFTWARE", u"Classes"};
  return path;
}

Node* Hive::Find(const KeyPath& path) {
  Node* node = &root;
  for (const std::u16string& part : path) {
    node = node->Find(part);
    if (node == nullptr) return nullptr;
  }
  return node;
}

Node& Hive::Ensure(const KeyPath& path, bool* created) {
  Node* node = &root;
  bool any = false;
  for (const std::u16string& part : path) {
    bool made = false;
    node = &node->Ensure(part, &made);
    any = any || made;
  }
  if (created != nullptr) *created = any;
  return *node;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::u16string> Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t c = 0;
    if (lead < 0x80) {
      c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, c = lead & 0x07;
    } else {
      return std::nullopt;
    }
    if (i + std::size_t(extra) >= text.size()) return std::nullopt;  // cut short
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + std::size_t(k)]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c <= 0xDFFF)) {
      return std::nullopt;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
      out += char16_t(c);
    }
    i += std::size_t(extra) + 1;
  }
  return out;
}

}  // namespace orlin::platform::registry
