// CoCreateInstance of a class served by a library registered under
// InprocServer32: the library is loaded, asked for the class, kept while its
// objects live and let go by CoFreeUnusedLibraries once it says it may be.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "hosting_test_support.h"
#include "orlin/host_services.h"

namespace {

using hosting_test::FreshHive;
using hosting_test::Text;

constexpr CLSID kServedClass = {0x5d1f0a52, 0x3c6e, 0x4b8a,
                                {0x9e, 0x41, 0x27, 0x0c, 0x6a, 0x93, 0x1d, 0xb4}};
constexpr CLSID kUnservedClass = {0x5d1f0a53, 0x3c6e, 0x4b8a,
                                  {0x9e, 0x41, 0x27, 0x0c, 0x6a, 0x93, 0x1d, 0xb4}};

// The address sanitizer keeps instrumented libraries mapped after their last
// dlclose, so there a released library cannot be seen to go away.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kUnloadVisible = false;
#else
constexpr bool kUnloadVisible = true;
#endif

class ServerLoader : public FreshHive {
 protected:
  static void RegisterServer(REFCLSID clsid, const std::string& path) {
    orlin::platform::RegistryKey key;
    ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, (u"CLSID\\" + Text(clsid) + u"\\InprocServer32").c_str(),
                            key.Receive()),
              ERROR_SUCCESS);
    const std::u16string file(path.begin(), path.end());
    ASSERT_EQ(RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                             static_cast<DWORD>((file.size() + 1) * 2)),
              ERROR_SUCCESS);
  }
  static bool Unloaded() { return kUnloadVisible ? !Loaded() : true; }
  static bool Loaded() {
    void* handle = dlopen(HOSTING_TEST_SERVER, RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) dlclose(handle);
    return handle != nullptr;
  }
  static HRESULT Create(REFCLSID clsid, IPersist** object) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist,
                            reinterpret_cast<void**>(object));
  }
};

TEST_F(ServerLoader, LoadsTheRegisteredLibraryAndKeepsItWhileObjectsLive) {
  RegisterServer(kServedClass, HOSTING_TEST_SERVER);
  ASSERT_TRUE(Unloaded());
  IPersist* object = nullptr;
  ASSERT_EQ(Create(kServedClass, &object), S_OK);
  CLSID clsid = GUID_NULL;
  EXPECT_EQ(object->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, kServedClass);
  IPersist* second = nullptr;
  ASSERT_EQ(Create(kServedClass, &second), S_OK) << "the loaded library serves again";

  CoFreeUnusedLibraries();
  EXPECT_TRUE(Loaded()) << "objects still live";
  EXPECT_EQ(object->Release(), 0u);
  CoFreeUnusedLibraries();
  EXPECT_TRUE(Loaded());
  EXPECT_EQ(second->Release(), 0u);
  CoFreeUnusedLibraries();
  EXPECT_TRUE(Unloaded());

  // And it comes back on the next creation.
  ASSERT_EQ(Create(kServedClass, &object), S_OK);
  object->Release();
  CoFreeUnusedLibraries();
}

TEST_F(ServerLoader, ReportsWhyAClassCannotBeServed) {
  IPersist* object = reinterpret_cast<IPersist*>(&object);
  EXPECT_EQ(Create(kServedClass, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);

  RegisterServer(kServedClass, "/nonexistent/liborlin.so");
  EXPECT_EQ(Create(kServedClass, &object), static_cast<HRESULT>(0x8007007E));
  EXPECT_NE(orlin::InProcessServerError().find("/nonexistent/liborlin.so"), std::string::npos)
      << orlin::InProcessServerError();

  RegisterServer(kServedClass, "libm.so.6");  // a library, but no COM server
  EXPECT_EQ(Create(kServedClass, &object), static_cast<HRESULT>(0x800401F9));

  RegisterServer(kUnservedClass, HOSTING_TEST_SERVER);
  EXPECT_EQ(Create(kUnservedClass, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  CoFreeUnusedLibraries();
  EXPECT_TRUE(Unloaded());
}

TEST_F(ServerLoader, ADeviceMonikerBindsToAClassOfALoadedLibrary) {
  RegisterServer(kServedClass, HOSTING_TEST_SERVER);
  IFilterMapper2* mapper = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                             reinterpret_cast<void**>(&mapper)),
            S_OK);
  REGFILTER2 record{};
  record.dwVersion = 2;
  IMoniker* moniker = nullptr;
  ASSERT_EQ(mapper->RegisterFilter(kServedClass, u"Served", &moniker, &CLSID_VideoInputDeviceCategory,
                                   u"Served", &record),
            S_OK);
  IPersist* object = nullptr;
  ASSERT_EQ(moniker->BindToObject(nullptr, nullptr, IID_IPersist, reinterpret_cast<void**>(&object)), S_OK);
  CLSID clsid = GUID_NULL;
  EXPECT_EQ(object->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, kServedClass);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(moniker->Release(), 0u);
  EXPECT_EQ(mapper->Release(), 0u);
  CoFreeUnusedLibraries();
}

}  // namespace
