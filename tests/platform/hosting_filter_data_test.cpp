// The FilterData layout the mapper stores: what is written reads back, the
// header and record tags sit where readers of the layout expect them, and a
// damaged value is refused instead of read past its end.
#include <gtest/gtest.h>

#include "platform/posix/dshow/filter_data.h"

namespace {

using orlin::detail::DecodeFilterData;
using orlin::detail::EncodeFilterData;
using orlin::detail::FilterData;
using orlin::detail::FilterDataFromRecord;

const REGPINTYPES kVideoAnySubtype[] = {{&MEDIATYPE_Video, &GUID_NULL}};
const REGPINTYPES kTwoTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_YV12},
                                 {&MEDIATYPE_Video, nullptr}};
const REGPINMEDIUM kMedium = {PIN_CATEGORY_CAPTURE, 7, 9};

REGFILTER2 CaptureDevice(const REGFILTERPINS2* pins, ULONG count) {
  REGFILTER2 record{};
  record.dwVersion = 2;
  record.dwMerit = MERIT_DO_NOT_USE;
  record.cPins2 = count;
  record.rgPins2 = pins;
  return record;
}

DWORD WordAt(const std::vector<BYTE>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<DWORD>(bytes[at + 3]) << 24;
}

TEST(FilterData, CaptureDeviceRecordReadsBackWithHeaderAndTagsInPlace) {
  const REGFILTERPINS2 pins[] = {
      {REG_PINFLAG_B_OUTPUT, 1, 1, kVideoAnySubtype, 0, nullptr, &PIN_CATEGORY_CAPTURE},
      {REG_PINFLAG_B_MANY | REG_PINFLAG_B_ZERO, 0, 2, kTwoTypes, 1, &kMedium, nullptr}};
  const std::optional<FilterData> data = FilterDataFromRecord(CaptureDevice(pins, 2));
  ASSERT_TRUE(data);
  const std::vector<BYTE> bytes = EncodeFilterData(*data);

  EXPECT_EQ(WordAt(bytes, 0), 2u);
  EXPECT_EQ(WordAt(bytes, 4), static_cast<DWORD>(MERIT_DO_NOT_USE));
  EXPECT_EQ(WordAt(bytes, 8), 2u);
  EXPECT_EQ(std::string(bytes.begin() + 16, bytes.begin() + 20), "0pi3");
  EXPECT_EQ(WordAt(bytes, 20), static_cast<DWORD>(REG_PINFLAG_B_OUTPUT));
  EXPECT_EQ(WordAt(bytes, 36), 1u) << "category flag";
  EXPECT_EQ(std::string(bytes.begin() + 44, bytes.begin() + 48), "0ty3");

  const std::optional<FilterData> back = DecodeFilterData(bytes.data(), bytes.size());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->version, 2u);
  ASSERT_EQ(back->pins.size(), 2u);
  EXPECT_EQ(back->pins[0].flags, static_cast<DWORD>(REG_PINFLAG_B_OUTPUT));
  EXPECT_EQ(back->pins[0].instances, 1u);
  ASSERT_TRUE(back->pins[0].category);
  EXPECT_EQ(*back->pins[0].category, PIN_CATEGORY_CAPTURE);
  ASSERT_EQ(back->pins[0].types.size(), 1u);
  EXPECT_EQ(back->pins[0].types[0].first, MEDIATYPE_Video);
  EXPECT_EQ(back->pins[0].types[0].second, GUID_NULL);
  ASSERT_EQ(back->pins[1].types.size(), 2u);
  EXPECT_EQ(back->pins[1].types[0].second, MEDIASUBTYPE_YV12);
  EXPECT_EQ(back->pins[1].types[1].second, GUID_NULL) << "a null subtype reads as GUID_NULL";
  EXPECT_FALSE(back->pins[1].category);
  ASSERT_EQ(back->pins[1].mediums.size(), 1u);
  EXPECT_EQ(back->pins[1].mediums[0].clsMedium, PIN_CATEGORY_CAPTURE);
  EXPECT_EQ(back->pins[1].mediums[0].dw2, 9u);
}

TEST(FilterData, RepeatedGuidsAreStoredOnce) {
  const REGFILTERPINS2 one[] = {{REG_PINFLAG_B_OUTPUT, 1, 1, kVideoAnySubtype, 0, nullptr, nullptr}};
  const REGFILTERPINS2 two[] = {{REG_PINFLAG_B_OUTPUT, 1, 1, kVideoAnySubtype, 0, nullptr, nullptr},
                                {REG_PINFLAG_B_OUTPUT, 1, 1, kVideoAnySubtype, 0, nullptr, nullptr}};
  const auto small = EncodeFilterData(*FilterDataFromRecord(CaptureDevice(one, 1)));
  const auto large = EncodeFilterData(*FilterDataFromRecord(CaptureDevice(two, 2)));
  EXPECT_EQ(large.size() - small.size(), 24u + 16u) << "the second pin adds records, no GUIDs";
}

TEST(FilterData, VersionOnePinsTakeTheirFlagsFromTheSetupRecord) {
  WCHAR empty[] = u"";
  const REGFILTERPINS pins[] = {{empty, FALSE, TRUE, FALSE, TRUE, &GUID_NULL, nullptr, 1, kVideoAnySubtype}};
  REGFILTER2 record{};
  record.dwVersion = 1;
  record.dwMerit = MERIT_NORMAL;
  record.cPins = 1;
  record.rgPins = pins;
  const std::optional<FilterData> data = FilterDataFromRecord(record);
  ASSERT_TRUE(data);
  ASSERT_EQ(data->pins.size(), 1u);
  EXPECT_EQ(data->pins[0].flags, static_cast<DWORD>(REG_PINFLAG_B_OUTPUT | REG_PINFLAG_B_MANY));
  EXPECT_EQ(data->pins[0].types.size(), 1u);
  record.dwVersion = 3;
  EXPECT_FALSE(FilterDataFromRecord(record));
}

TEST(FilterData, TruncatedOrInflatedValuesAreRefused) {
  const REGFILTERPINS2 pins[] = {
      {REG_PINFLAG_B_OUTPUT, 1, 1, kVideoAnySubtype, 1, &kMedium, &PIN_CATEGORY_CAPTURE}};
  std::vector<BYTE> bytes = EncodeFilterData(*FilterDataFromRecord(CaptureDevice(pins, 1)));
  ASSERT_TRUE(DecodeFilterData(bytes.data(), bytes.size()));
  // The data area ends the value, so every shorter value loses something named.
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(DecodeFilterData(bytes.data(), size)) << size;
  }
  std::vector<BYTE> inflated = bytes;
  inflated[8] = 0xFF;  // pin count
  EXPECT_FALSE(DecodeFilterData(inflated.data(), inflated.size()));
  inflated = bytes;
  inflated[28] = 0xFF;  // first pin's type count
  EXPECT_FALSE(DecodeFilterData(inflated.data(), inflated.size()));
  inflated = bytes;
  inflated[40 + 3] = 0x7F;  // category offset far beyond the end
  EXPECT_FALSE(DecodeFilterData(inflated.data(), inflated.size()));
  EXPECT_FALSE(DecodeFilterData(nullptr, 0));
}

}  // namespace
