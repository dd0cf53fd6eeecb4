#include "filter/framework/wide_string.h"

#include <algorithm>
#include <new>

namespace orlin::framework {

WideChars CopyWide(const WCHAR* text, bool* out_of_memory) {
  if (out_of_memory != nullptr) *out_of_memory = false;
  if (text == nullptr) return nullptr;
  const std::size_t length = WideLength(text);
  WideChars copy(new (std::nothrow) WCHAR[length + 1]);
  if (!copy) {
    if (out_of_memory != nullptr) *out_of_memory = true;
    return nullptr;
  }
  std::copy(text, text + length + 1, copy.get());
  return copy;
}

void CopyWideBounded(WCHAR* target, std::size_t capacity, const WCHAR* text) {
  if (capacity == 0) return;
  std::size_t length = text == nullptr ? 0 : std::min(WideLength(text), capacity - 1);
  if (length != 0) std::copy(text, text + length, target);
  target[length] = 0;
}

}  // namespace orlin::framework
