// Orlin.dll as a capture application meets it: registered through its export,
// listed by the system device enumerator among the video input devices,
// created from its moniker, and gone from the list once unregistered.
#include <gtest/gtest.h>

#include <dshow.h>
#include <windows.h>

#include <cwchar>

namespace {

using ExportFunction = HRESULT(STDAPICALLTYPE*)();

template <class Function>
Function Export(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// The moniker of the first video input device whose FriendlyName is `name`,
// and how many such devices there are.
int FindVideoInputDevice(const wchar_t* name, IMoniker** found) {
  ICreateDevEnum* devices = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                             reinterpret_cast<void**>(&devices)),
            S_OK);
  if (devices == nullptr) return 0;
  IEnumMoniker* monikers = nullptr;
  HRESULT hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
  devices->Release();
  EXPECT_TRUE(hr == S_OK || hr == S_FALSE) << std::hex << hr;
  if (hr != S_OK) return 0;  // S_FALSE: the category is empty
  int count = 0;
  IMoniker* moniker = nullptr;
  while (monikers->Next(1, &moniker, nullptr) == S_OK) {
    IPropertyBag* bag = nullptr;
    bool match = false;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
      VARIANT value;
      VariantInit(&value);
      if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) {
        match = std::wcscmp(value.bstrVal, name) == 0;
      }
      VariantClear(&value);
      bag->Release();
    }
    if (match && count++ == 0 && found != nullptr) {
      *found = moniker;
    } else {
      moniker->Release();
    }
  }
  monikers->Release();
  return count;
}

class DeviceEnumeration : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    library_ = LoadLibraryW(L"Orlin.dll");
    ASSERT_NE(library_, nullptr) << "cannot load Orlin.dll";
    register_server_ = Export<ExportFunction>(library_, "DllRegisterServer");
    unregister_server_ = Export<ExportFunction>(library_, "DllUnregisterServer");
    can_unload_now_ = Export<ExportFunction>(library_, "DllCanUnloadNow");
    ASSERT_NE(register_server_, nullptr);
    ASSERT_NE(unregister_server_, nullptr);
    ASSERT_NE(can_unload_now_, nullptr);
  }
  void TearDown() override {
    if (unregister_server_ != nullptr) unregister_server_();
    CoFreeUnusedLibraries();
    if (can_unload_now_ != nullptr) {
      EXPECT_EQ(can_unload_now_(), S_OK);
    }
    if (library_ != nullptr) FreeLibrary(library_);
    CoUninitialize();
  }

  HMODULE library_ = nullptr;
  ExportFunction register_server_ = nullptr;
  ExportFunction unregister_server_ = nullptr;
  ExportFunction can_unload_now_ = nullptr;
};

TEST_F(DeviceEnumeration, RegisteredCameraIsListedAndOpensWithACapturePin) {
  ASSERT_EQ(register_server_(), S_OK);
  IMoniker* moniker = nullptr;
  ASSERT_EQ(FindVideoInputDevice(L"Orlin Camera", &moniker), 1);
  ASSERT_NE(moniker, nullptr);

  IBaseFilter* filter = nullptr;
  ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)), S_OK);
  moniker->Release();

  IEnumPins* pins = nullptr;
  ASSERT_EQ(filter->EnumPins(&pins), S_OK);
  IPin* pin = nullptr;
  int outputs = 0;
  int capturePins = 0;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    PIN_DIRECTION direction;
    ASSERT_EQ(pin->QueryDirection(&direction), S_OK);
    if (direction == PINDIR_OUTPUT) {
      ++outputs;
      IKsPropertySet* properties = nullptr;
      if (SUCCEEDED(pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&properties)))) {
        GUID category = GUID_NULL;
        DWORD returned = 0;
        EXPECT_EQ(properties->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category,
                                  sizeof(category), &returned),
                  S_OK);
        EXPECT_EQ(returned, sizeof(category));
        if (IsEqualGUID(category, PIN_CATEGORY_CAPTURE)) ++capturePins;
        properties->Release();
      }
    }
    pin->Release();
  }
  pins->Release();
  EXPECT_EQ(outputs, 1);
  EXPECT_EQ(capturePins, 1);
  EXPECT_EQ(filter->Release(), 0u);

  ASSERT_EQ(unregister_server_(), S_OK);
  EXPECT_EQ(FindVideoInputDevice(L"Orlin Camera", nullptr), 0);
}

}  // namespace
