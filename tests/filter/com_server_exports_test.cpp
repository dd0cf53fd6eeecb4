// The built library from outside, through its four exports only, as COM and
// the setup program load it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "filter/com_server/module_file_name.h"
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

// The library copied to a folder whose path is longer than MAX_PATH and
// outside every ANSI code page, and removed again.
class LibraryCopy {
 public:
  explicit LibraryCopy(HMODULE library) {
    std::basic_string<WCHAR> source;
    source.resize(kLongestModulePath);
    source.resize(GetModuleFileNameW(library, source.data(), DWORD(source.size())));
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    root_ = std::filesystem::temp_directory_path() / ("orlin-" + std::to_string(stamp));
    path_ = root_;
    // Kana are in no Western code page; each folder is well below a name's 255.
    for (int i = 0; i < 3; ++i) {
      path_ /= std::u8string(u8"\u30ab\u30e1\u30e9-") + std::u8string(90, u8'x');
    }
    std::filesystem::create_directories(path_);
    const std::filesystem::path from(std::u16string(source.begin(), source.end()));
    path_ /= from.filename();
    std::filesystem::copy_file(from, path_);
  }
  ~LibraryCopy() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  LibraryCopy(const LibraryCopy&) = delete;
  LibraryCopy& operator=(const LibraryCopy&) = delete;

  std::basic_string<WCHAR> WidePath() const {
    const std::u16string wide = path_.u16string();
    return std::basic_string<WCHAR>(wide.begin(), wide.end());
  }
  HMODULE Load() const {
#ifdef _WIN32
    return LoadLibraryW(path_.c_str());
#else
    return LoadLibraryA(path_.c_str());
#endif
  }

 private:
  std::filesystem::path root_, path_;
};

TEST_F(Exports, RegisterALongPathOutsideTheCodePageExactly) {
  const LibraryCopy copy(library_);
  ASSERT_GT(copy.WidePath().size(), 260u);
  HMODULE copied = copy.Load();
  ASSERT_NE(copied, nullptr);
  ASSERT_EQ(Export<ExportFunction>(copied, "DllRegisterServer")(), S_OK);
  EXPECT_EQ(ReadClassesString(kServerKey, nullptr), copy.WidePath());
  EXPECT_EQ(Export<ExportFunction>(copied, "DllUnregisterServer")(), S_OK);
  FreeLibrary(copied);
}

}  // namespace
}  // namespace orlin::filter::test
