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

}  // namespace orlin::platform::registry
