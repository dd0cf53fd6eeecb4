// GUIDs as registry text: "{398B8AB5-72AC-4FCE-91CF-838B70F8C5D6}", upper-case hex.
#include <cstdint>

#include "orlin/com.h"

namespace {

constexpr int kGuidTextLength = 38;  // without the terminator
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Positions of the dashes in the braced form; every other inner character is a
// hex digit, and the 32 digits read in order give Data1..Data4 big-end first.
bool IsDashPosition(int i) { return i == 9 || i == 14 || i == 19 || i == 24; }

int HexValue(OLECHAR c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

void GuidToBytes(const GUID& guid, std::uint8_t (&bytes)[16]) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(guid.Data1 >> (24 - 8 * i));
  bytes[4] = static_cast<std::uint8_t>(guid.Data2 >> 8);
  bytes[5] = static_cast<std::uint8_t>(guid.Data2);
  bytes[6] = static_cast<std::uint8_t>(guid.Data3 >> 8);
  bytes[7] = static_cast<std::uint8_t>(guid.Data3);
  for (int i = 0; i < 8; ++i) bytes[8 + i] = guid.Data4[i];
}

GUID BytesToGuid(const std::uint8_t (&bytes)[16]) {
  GUID guid{};
  for (int i = 0; i < 4; ++i) guid.Data1 = (guid.Data1 << 8) | bytes[i];
  guid.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  guid.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) guid.Data4[i] = bytes[8 + i];
  return guid;
}

// Reads exactly the braced form, and nothing after it.
bool ParseBracedGuid(LPCOLESTR text, GUID* guid) {
  if (text[0] != u'{') return false;
  std::uint8_t bytes[16] = {};
  int digits = 0;
  for (int i = 1; i < kGuidTextLength - 1; ++i) {
    if (IsDashPosition(i)) {
      if (text[i] != u'-') return false;
      continue;
    }
    const int value = HexValue(text[i]);  // a terminator here is not a digit: stops the read
    if (value < 0) return false;
    bytes[digits / 2] = static_cast<std::uint8_t>((bytes[digits / 2] << 4) | value);
    ++digits;
  }
  if (text[kGuidTextLength - 1] != u'}' || text[kGuidTextLength] != u'\0') return false;
  *guid = BytesToGuid(bytes);
  return true;
}

HRESULT GuidFromString(LPCOLESTR text, GUID* guid, HRESULT malformed) {
  if (guid == nullptr) return E_INVALIDARG;
  *guid = GUID_NULL;
  if (text == nullptr) return S_OK;
  return ParseBracedGuid(text, guid) ? S_OK : malformed;
}

}  // namespace

int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
  if (lpsz == nullptr || cchMax < kGuidTextLength + 1) return 0;
  std::uint8_t bytes[16];
  GuidToBytes(rguid, bytes);
  int out = 0;
  lpsz[out++] = u'{';
  for (int b = 0; b < 16; ++b) {
    if (IsDashPosition(out)) lpsz[out++] = u'-';
    lpsz[out++] = static_cast<OLECHAR>(kHexDigits[bytes[b] >> 4]);
    lpsz[out++] = static_cast<OLECHAR>(kHexDigits[bytes[b] & 0x0F]);
  }
  lpsz[out++] = u'}';
  lpsz[out++] = u'\0';
  return out;
}

HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid) {
  return GuidFromString(lpsz, pclsid, CO_E_CLASSSTRING);
}

HRESULT IIDFromString(LPCOLESTR lpsz, IID* lpiid) {
  return GuidFromString(lpsz, lpiid, E_INVALIDARG);
}
