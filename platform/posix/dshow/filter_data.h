// The "FilterData" value of a filter mapper entry: a REGFILTER2 record in the
// binary layout Windows stores, so that a hive written here reads the same
// to anyone who knows that layout. A 16-byte header (version, merit, pin
// count, zero) is followed by one record per pin ("0pi3", the first byte the
// pin's index added to '0': flags, instances, type count, medium count,
// category flag, then the category's offset when there is one), each
// followed by its type records ("0ty3": zero, offsets of major type and
// subtype) and its medium offsets; the GUIDs and mediums come last, each
// stored once, found by their offsets from the start of the value.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "orlin/filter_mapper.h"

namespace orlin::detail {

struct FilterDataPin {
  DWORD flags = 0;  // REG_PINFLAG_B_*
  DWORD instances = 0;
  std::vector<std::pair<GUID, GUID>> types;  // major type, subtype
  std::vector<REGPINMEDIUM> mediums;
  std::optional<GUID> category;
};

struct FilterData {
  DWORD version = 2;
  DWORD merit = 0;
  std::vector<FilterDataPin> pins;
};

// The record as FilterData; a null media type GUID reads as GUID_NULL. Version
// 1 pins take their flags from bRendered, bOutput, bZero and bMany.
// Nothing for a version other than 1 or 2.
std::optional<FilterData> FilterDataFromRecord(const REGFILTER2& record);

std::vector<BYTE> EncodeFilterData(const FilterData& data);
// Every count and offset is checked against the value's size: nothing for a
// value that does not hold a whole record.
std::optional<FilterData> DecodeFilterData(const BYTE* bytes, std::size_t size);

}  // namespace orlin::detail
