// The built library from outside, through its four exports only, as COM and
// the setup program load it.
#include <gtest/gtest.h>

#include "orlin/com_ref.h"
#include "filter/orlin_filter.h"
#include "orlin/dshow.h"
#include "orlin/filter_mapper.h"
#include "orlin/stream_config.h"
#include "orlin/module.h"
#include "tests/filter/com_server_support.h"

namespace orlin::filter::test {
namespace {

using ExportFunction = HRESULT(STDMETHODCALLTYPE*)();
using GetClassObjectFunction = HRESULT(STDMETHODCALLTYPE*)(REFCLSID, REFIID, void**);

template <class Function>
Function Export(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

class Exports : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    library_ = LoadLibraryA(ORLIN_LIBRARY);
    if (library_ == nullptr) {
      FAIL() << "cannot load " << ORLIN_LIBRARY;
    }
    registerServer = Export<ExportFunction>(library_, "DllRegisterServer");
    unregisterServer = Export<ExportFunction>(library_, "DllUnregisterServer");
    getClassObject = Export<GetClassObjectFunction>(library_, "DllGetClassObject");
    canUnloadNow = Export<ExportFunction>(library_, "DllCanUnloadNow");
    ASSERT_NE(registerServer, nullptr);
    ASSERT_NE(unregisterServer, nullptr);
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
  }
  void TearDown() override {
    if (canUnloadNow != nullptr) {
      EXPECT_EQ(canUnloadNow(), S_OK);
    }
    if (library_ != nullptr) FreeLibrary(library_);
    CoUninitialize();
  }

  ComRef<IClassFactory> Factory() {
    ComRef<IClassFactory> factory;
    EXPECT_EQ(getClassObject(CLSID_OrlinCamera, IID_IClassFactory, factory.ReceiveVoid()),
              S_OK);
    return factory;
  }

  HMODULE library_ = nullptr;
  ExportFunction registerServer = nullptr;
  ExportFunction unregisterServer = nullptr;
  GetClassObjectFunction getClassObject = nullptr;
  ExportFunction canUnloadNow = nullptr;
};

TEST_F(Exports, GiveAFactoryForTheCameraClassOnly) {
  void* object = &object;
  EXPECT_EQ(getClassObject(CLSID_FilterMapper2, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = &object;
  EXPECT_EQ(getClassObject(CLSID_OrlinCamera, IID_IPin, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  ComRef<IClassFactory> factory = Factory();
  ASSERT_TRUE(factory);
  ComRef<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReceiveVoid()),
            S_OK);
  CLSID clsid = GUID_NULL;
  EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OrlinCamera);
  ComRef<IPin> pin;
  ASSERT_EQ(filter->FindPin(ORLIN_TEXT("1"), pin.Receive()), S_OK);
  ComRef<IAMStreamConfig> config;
  EXPECT_EQ(pin->QueryInterface(IID_IAMStreamConfig, config.ReceiveVoid()), S_OK);
}

TEST_F(Exports, AggregationGivesOnlyTheInnerUnknown) {
  ComRef<IClassFactory> factory = Factory();
  OuterObject outer;
  void* object = &object;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  ComRef<IUnknown> inner;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, inner.ReceiveVoid()), S_OK);
  ComRef<IBaseFilter> filter;
  ASSERT_EQ(inner->QueryInterface(IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
  EXPECT_EQ(outer.References(), 2);
  filter.Clear();
  inner.Clear();
  EXPECT_EQ(outer.References(), 1);
}

TEST_F(Exports, StayLoadedWhileAFactoryFilterOrLockLives) {
  EXPECT_EQ(canUnloadNow(), S_OK);
  ComRef<IClassFactory> factory = Factory();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ComRef<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReceiveVoid()),
            S_OK);
  factory->LockServer(TRUE);
  factory.Clear();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  filter.Clear();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  factory = Factory();
  factory->LockServer(FALSE);
  factory.Clear();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(Exports, RegisterTheLibraryFileAsTheInProcessServer) {
  ASSERT_EQ(registerServer(), S_OK);
  const std::basic_string<WCHAR> file = ReadClassesString(kServerKey, nullptr);
  char path[260];
  ASSERT_NE(GetModuleFileNameA(library_, path, sizeof path), 0u);
  EXPECT_EQ(file, Widen(path));
  EXPECT_EQ(ReadClassesString(kClassKey, nullptr), ORLIN_TEXT("Orlin Camera"));
  EXPECT_EQ(unregisterServer(), S_OK);
  EXPECT_FALSE(ClassesKeyExists(kClassKey));
}

}  // namespace
}  // namespace orlin::filter::test
