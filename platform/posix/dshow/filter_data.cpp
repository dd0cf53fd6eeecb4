// Encoding and decoding of the filter mapper's FilterData values.
#include "platform/posix/dshow/filter_data.h"

#include <cstring>

namespace orlin::detail {
namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kPinBytes = 24;   // signature and five words
constexpr std::size_t kTypeBytes = 16;  // signature and three words

void PutWord(std::vector<BYTE>& out, std::size_t at, DWORD value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<BYTE>(value >> (8 * i));
}

void AppendWord(std::vector<BYTE>& out, DWORD value) {
  out.resize(out.size() + 4);
  PutWord(out, out.size() - 4, value);
}

void AppendSignature(std::vector<BYTE>& out, std::size_t index, const char* tag) {
  out.push_back(static_cast<BYTE>('0' + index));
  out.insert(out.end(), tag, tag + 3);
}

// The data area after the records: each distinct block stored once. Offsets
// are patched in when the records' size is known.
class DataPool {
 public:
  // Index of the block in the pool.
  std::size_t Add(const void* block, std::size_t size) {
    std::vector<BYTE> bytes(static_cast<const BYTE*>(block), static_cast<const BYTE*>(block) + size);
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
      if (blocks_[i] == bytes) return i;
    }
    blocks_.push_back(std::move(bytes));
    return blocks_.size() - 1;
  }
  DWORD OffsetOf(std::size_t index, std::size_t base) const {
    std::size_t offset = base;
    for (std::size_t i = 0; i < index; ++i) offset += blocks_[i].size();
    return static_cast<DWORD>(offset);
  }
  void AppendTo(std::vector<BYTE>& out) const {
    for (const auto& block : blocks_) out.insert(out.end(), block.begin(), block.end());
  }

 private:
  std::vector<std::vector<BYTE>> blocks_;
};

class Reader {
 public:
  Reader(const BYTE* bytes, std::size_t size) : bytes_(bytes), size_(size) {}
  bool Word(std::size_t at, DWORD& value) const {
    if (at > size_ || size_ - at < 4) return false;
    value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<DWORD>(bytes_[at + i]) << (8 * i);
    return true;
  }
  bool Block(DWORD offset, void* target, std::size_t bytes) const {
    if (offset > size_ || size_ - offset < bytes) return false;
    std::memcpy(target, bytes_ + offset, bytes);
    return true;
  }
  bool Signature(std::size_t at, std::size_t index, const char* tag) const {
    if (at > size_ || size_ - at < 4) return false;
    return bytes_[at] == static_cast<BYTE>('0' + index) && std::memcmp(bytes_ + at + 1, tag, 3) == 0;
  }

 private:
  const BYTE* bytes_;
  std::size_t size_;
};

}  // namespace

std::optional<FilterData> FilterDataFromRecord(const REGFILTER2& record) {
  FilterData data;
  data.version = record.dwVersion;
  data.merit = record.dwMerit;
  auto types_of = [](UINT count, const REGPINTYPES* types) {
    std::vector<std::pair<GUID, GUID>> out;
    for (UINT i = 0; types != nullptr && i < count; ++i) {
      out.emplace_back(types[i].clsMajorType ? *types[i].clsMajorType : GUID_NULL,
                       types[i].clsMinorType ? *types[i].clsMinorType : GUID_NULL);
    }
    return out;
  };
  if (record.dwVersion == 1) {
    for (ULONG i = 0; record.rgPins != nullptr && i < record.cPins; ++i) {
      const REGFILTERPINS& pin = record.rgPins[i];
      FilterDataPin out;
      out.flags = (pin.bZero ? REG_PINFLAG_B_ZERO : 0) | (pin.bRendered ? REG_PINFLAG_B_RENDERER : 0) |
                  (pin.bMany ? REG_PINFLAG_B_MANY : 0) | (pin.bOutput ? REG_PINFLAG_B_OUTPUT : 0);
      out.types = types_of(pin.nMediaTypes, pin.lpMediaType);
      data.pins.push_back(std::move(out));
    }
    return data;
  }
  if (record.dwVersion != 2) return std::nullopt;
  for (ULONG i = 0; record.rgPins2 != nullptr && i < record.cPins2; ++i) {
    const REGFILTERPINS2& pin = record.rgPins2[i];
    FilterDataPin out;
    out.flags = pin.dwFlags;
    out.instances = pin.cInstances;
    out.types = types_of(pin.nMediaTypes, pin.lpMediaType);
    for (UINT m = 0; pin.lpMedium != nullptr && m < pin.nMediums; ++m) out.mediums.push_back(pin.lpMedium[m]);
    if (pin.clsPinCategory != nullptr) out.category = *pin.clsPinCategory;
    data.pins.push_back(std::move(out));
  }
  return data;
}

std::vector<BYTE> EncodeFilterData(const FilterData& data) {
  std::vector<BYTE> out;
  AppendWord(out, data.version);
  AppendWord(out, data.merit);
  AppendWord(out, static_cast<DWORD>(data.pins.size()));
  AppendWord(out, 0);
  DataPool pool;
  // Where each offset goes, and which pool block it names.
  std::vector<std::pair<std::size_t, std::size_t>> patches;
  auto offset_slot = [&](std::size_t block) {
    patches.emplace_back(out.size(), block);
    AppendWord(out, 0);
  };
  for (std::size_t p = 0; p < data.pins.size(); ++p) {
    const FilterDataPin& pin = data.pins[p];
    AppendSignature(out, p, "pi3");
    AppendWord(out, pin.flags);
    AppendWord(out, pin.instances);
    AppendWord(out, static_cast<DWORD>(pin.types.size()));
    AppendWord(out, static_cast<DWORD>(pin.mediums.size()));
    AppendWord(out, pin.category ? 1 : 0);
    if (pin.category) offset_slot(pool.Add(&*pin.category, sizeof(GUID)));
    for (std::size_t t = 0; t < pin.types.size(); ++t) {
      AppendSignature(out, t, "ty3");
      AppendWord(out, 0);
      offset_slot(pool.Add(&pin.types[t].first, sizeof(GUID)));
      offset_slot(pool.Add(&pin.types[t].second, sizeof(GUID)));
    }
    for (const REGPINMEDIUM& medium : pin.mediums) offset_slot(pool.Add(&medium, sizeof medium));
  }
  const std::size_t base = out.size();
  for (const auto& [at, block] : patches) PutWord(out, at, pool.OffsetOf(block, base));
  pool.AppendTo(out);
  return out;
}

std::optional<FilterData> DecodeFilterData(const BYTE* bytes, std::size_t size) {
  if (bytes == nullptr) return std::nullopt;
  const Reader in(bytes, size);
  FilterData data;
  DWORD pins = 0;
  if (!in.Word(0, data.version) || !in.Word(4, data.merit) || !in.Word(8, pins)) return std::nullopt;
  std::size_t at = kHeaderBytes;
  // Each pin takes at least its record, so a count beyond that is corrupt.
  if (pins > size / kPinBytes) return std::nullopt;
  for (DWORD p = 0; p < pins; ++p) {
    FilterDataPin pin;
    DWORD types = 0, mediums = 0, has_category = 0, offset = 0;
    if (!in.Signature(at, p, "pi3") || !in.Word(at + 4, pin.flags) || !in.Word(at + 8, pin.instances) ||
        !in.Word(at + 12, types) || !in.Word(at + 16, mediums) || !in.Word(at + 20, has_category)) {
      return std::nullopt;
    }
    at += kPinBytes;
    if (has_category != 0) {
      GUID category;
      if (!in.Word(at, offset) || !in.Block(offset, &category, sizeof category)) return std::nullopt;
      pin.category = category;
      at += 4;
    }
    if (types > size / kTypeBytes || mediums > size / 4) return std::nullopt;
    for (DWORD t = 0; t < types; ++t) {
      DWORD major = 0, minor = 0;
      std::pair<GUID, GUID> type;
      if (!in.Signature(at, t, "ty3") || !in.Word(at + 8, major) || !in.Word(at + 12, minor) ||
          !in.Block(major, &type.first, sizeof(GUID)) || !in.Block(minor, &type.second, sizeof(GUID))) {
        return std::nullopt;
      }
      pin.types.push_back(type);
      at += kTypeBytes;
    }
    for (DWORD m = 0; m < mediums; ++m) {
      REGPINMEDIUM medium;
      if (!in.Word(at, offset) || !in.Block(offset, &medium, sizeof medium)) return std::nullopt;
      pin.mediums.push_back(medium);
      at += 4;
    }
    data.pins.push_back(std::move(pin));
  }
  return data;
}

}  // namespace orlin::detail
