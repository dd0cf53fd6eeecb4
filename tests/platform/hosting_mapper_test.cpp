// The filter mapper and the system device enumerator share the hive: what a
// library registers the way our DllRegisterServer does is what a host lists,
// reads and binds to; what it unregisters is gone.
#include <gtest/gtest.h>

#include "hosting_test_support.h"
#include "orlin/host_services.h"
#include "platform/posix/dshow/filter_data.h"

namespace {

using hosting_test::FreshHive;
using hosting_test::Text;

constexpr CLSID kCameraClass = {0x398b8ab5, 0x72ac, 0x4fce,
                                {0x91, 0xcf, 0x83, 0x8b, 0x70, 0xf8, 0xc5, 0xd6}};
const REGPINTYPES kVideo[] = {{&MEDIATYPE_Video, &GUID_NULL}};
const REGFILTERPINS2 kCapturePin[] = {
    {REG_PINFLAG_B_OUTPUT, 1, 1, kVideo, 0, nullptr, &PIN_CATEGORY_CAPTURE}};
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070002);

class Hosting : public FreshHive {
 protected:
  void SetUp() override {
    FreshHive::SetUp();
    ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                               reinterpret_cast<void**>(&mapper_)),
              S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                               IID_ICreateDevEnum, reinterpret_cast<void**>(&devices_)),
              S_OK);
  }
  void TearDown() override {
    EXPECT_EQ(mapper_->Release(), 0u);
    EXPECT_EQ(devices_->Release(), 0u);
    FreshHive::TearDown();
  }

  HRESULT RegisterCamera(LPCWSTR name = u"Orlin Camera") {
    REGFILTER2 record{};
    record.dwVersion = 2;
    record.dwMerit = MERIT_DO_NOT_USE;
    record.cPins2 = 1;
    record.rgPins2 = kCapturePin;
    return mapper_->RegisterFilter(kCameraClass, name, nullptr, &CLSID_VideoInputDeviceCategory,
                                   u"Orlin", &record);
  }

  // The video input devices' monikers, in hive order.
  std::vector<IMoniker*> VideoInputs() {
    std::vector<IMoniker*> found;
    IEnumMoniker* list = reinterpret_cast<IEnumMoniker*>(&found);
    const HRESULT hr = devices_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &list, 0);
    if (hr == S_FALSE) {
      EXPECT_EQ(list, nullptr);
      return found;
    }
    EXPECT_EQ(hr, S_OK);
    IMoniker* moniker = nullptr;
    while (list->Next(1, &moniker, nullptr) == S_OK) found.push_back(moniker);
    EXPECT_EQ(list->Release(), 0u);
    return found;
  }

  static std::u16string ReadText(IMoniker* moniker, LPCOLESTR name, HRESULT expected = S_OK) {
    IPropertyBag* bag = nullptr;
    EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)),
              S_OK);
    VARIANT value;
    VariantInit(&value);
    EXPECT_EQ(bag->Read(name, &value, nullptr), expected);
    std::u16string text = value.vt == VT_BSTR ? value.bstrVal : u"";
    VariantClear(&value);
    bag->Release();
    return text;
  }

  IFilterMapper2* mapper_ = nullptr;
  ICreateDevEnum* devices_ = nullptr;
};

TEST_F(Hosting, ARegisteredCameraIsListedWithItsNameClassAndPinData) {
  ASSERT_EQ(RegisterCamera(), S_OK);
  const std::vector<IMoniker*> inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  EXPECT_EQ(ReadText(inputs[0], u"FriendlyName"), u"Orlin Camera");
  EXPECT_EQ(ReadText(inputs[0], u"CLSID"), Text(kCameraClass));
  ReadText(inputs[0], u"DevicePath", kNotFound);
  LPOLESTR display = nullptr;
  ASSERT_EQ(inputs[0]->GetDisplayName(nullptr, nullptr, &display), S_OK);
  EXPECT_EQ(std::u16string(display), u"@device:sw:" + Text(CLSID_VideoInputDeviceCategory) + u"\\Orlin");
  CoTaskMemFree(display);
  EXPECT_EQ(inputs[0]->Release(), 0u);

  // Stored where Windows keeps it, with the pin data in its binary layout.
  const std::string hive = HiveText();
  EXPECT_NE(hive.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{860BB310-5D01-11D0-BD3B-"
                      "00A0C911CE86}\\Instance\\Orlin]"),
            std::string::npos)
      << hive;
  orlin::platform::RegistryKey key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT,
                          (u"CLSID\\" + Text(CLSID_VideoInputDeviceCategory) + u"\\Instance\\Orlin").c_str(),
                          0, KEY_READ, key.Receive()),
            ERROR_SUCCESS);
  BYTE blob[512];
  DWORD type = 0, size = sizeof blob;
  ASSERT_EQ(RegQueryValueExW(key.Get(), u"FilterData", nullptr, &type, blob, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  const auto data = orlin::detail::DecodeFilterData(blob, size);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->merit, static_cast<DWORD>(MERIT_DO_NOT_USE));
  ASSERT_EQ(data->pins.size(), 1u);
  EXPECT_EQ(data->pins[0].category, PIN_CATEGORY_CAPTURE);
}

TEST_F(Hosting, ReRegisteringReplacesTheEntryAndUnregisteringRemovesIt) {
  ASSERT_EQ(RegisterCamera(u"Old Name"), S_OK);
  ASSERT_EQ(RegisterCamera(), S_OK);
  std::vector<IMoniker*> inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  EXPECT_EQ(ReadText(inputs[0], u"FriendlyName"), u"Orlin Camera");
  inputs[0]->Release();

  EXPECT_EQ(mapper_->UnregisterFilter(&CLSID_VideoInputDeviceCategory, u"Orlin", kCameraClass), S_OK);
  EXPECT_TRUE(VideoInputs().empty());
  EXPECT_EQ(mapper_->UnregisterFilter(&CLSID_VideoInputDeviceCategory, u"Orlin", kCameraClass), kNotFound);
}

TEST_F(Hosting, NoCategoryMeansTheGeneralListUnderTheClassName) {
  WCHAR empty[] = u"";
  const REGFILTERPINS pins[] = {{empty, FALSE, TRUE, FALSE, FALSE, &GUID_NULL, nullptr, 1, kVideo}};
  REGFILTER2 record{};
  record.dwVersion = 1;
  record.dwMerit = MERIT_DO_NOT_USE;
  record.cPins = 1;
  record.rgPins = pins;
  EXPECT_EQ(mapper_->UnregisterFilter(nullptr, nullptr, kCameraClass), kNotFound);
  IMoniker* moniker = nullptr;
  ASSERT_EQ(mapper_->RegisterFilter(kCameraClass, u"Orlin Camera", &moniker, nullptr, nullptr, &record),
            S_OK);
  ASSERT_NE(moniker, nullptr);
  EXPECT_EQ(ReadText(moniker, u"CLSID"), Text(kCameraClass));
  moniker->Release();
  EXPECT_TRUE(VideoInputs().empty()) << "the general list is not a device category";

  IEnumMoniker* general = nullptr;
  ASSERT_EQ(devices_->CreateClassEnumerator(CLSID_LegacyAmFilterCategory, &general, 0), S_OK);
  IMoniker* entries[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(general->Next(2, entries, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  LPOLESTR display = nullptr;
  ASSERT_EQ(entries[0]->GetDisplayName(nullptr, nullptr, &display), S_OK);
  EXPECT_EQ(std::u16string(display),
            u"@device:sw:" + Text(CLSID_LegacyAmFilterCategory) + u"\\" + Text(kCameraClass));
  CoTaskMemFree(display);
  entries[0]->Release();

  // Reset and Clone replay the same snapshot.
  EXPECT_EQ(general->Reset(), S_OK);
  IEnumMoniker* copy = nullptr;
  ASSERT_EQ(general->Clone(&copy), S_OK);
  EXPECT_EQ(general->Skip(1), S_OK);
  EXPECT_EQ(general->Skip(1), S_FALSE);
  ASSERT_EQ(copy->Next(1, entries, nullptr), S_OK);
  entries[0]->Release();
  EXPECT_EQ(copy->Release(), 0u);
  EXPECT_EQ(general->Release(), 0u);
  EXPECT_EQ(mapper_->UnregisterFilter(nullptr, nullptr, kCameraClass), S_OK);
}

TEST_F(Hosting, BindingADeviceCreatesItsClassThroughCoCreateInstance) {
  ASSERT_EQ(orlin::RegisterInProcessClass(kCameraClass, &orlin::CreateSystemClock), S_OK);
  ASSERT_EQ(RegisterCamera(), S_OK);
  std::vector<IMoniker*> inputs = VideoInputs();
  ASSERT_EQ(inputs.size(), 1u);
  IReferenceClock* clock = nullptr;
  ASSERT_EQ(inputs[0]->BindToObject(nullptr, nullptr, IID_IReferenceClock, reinterpret_cast<void**>(&clock)),
            S_OK);
  REFERENCE_TIME now = 0;
  EXPECT_EQ(clock->GetTime(&now), S_OK);
  EXPECT_EQ(clock->Release(), 0u);
  IPin* pin = reinterpret_cast<IPin*>(&pin);
  EXPECT_EQ(inputs[0]->BindToObject(nullptr, nullptr, IID_IPin, reinterpret_cast<void**>(&pin)),
            E_NOINTERFACE);
  EXPECT_EQ(pin, nullptr);
  EXPECT_EQ(orlin::UnregisterInProcessClass(kCameraClass), S_OK);
  EXPECT_EQ(inputs[0]->BindToObject(nullptr, nullptr, IID_IReferenceClock, reinterpret_cast<void**>(&clock)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(inputs[0]->Release(), 0u);
}

TEST_F(Hosting, AnEmptyCategoryAnswersSFalseAndNoEnumerator) {
  IEnumMoniker* list = reinterpret_cast<IEnumMoniker*>(&list);
  EXPECT_EQ(devices_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &list, 0), S_FALSE);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(devices_->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, nullptr, 0), E_POINTER);
  EXPECT_EQ(mapper_->RegisterFilter(kCameraClass, u"x", nullptr, nullptr, nullptr, nullptr), E_POINTER);
}

}  // namespace
