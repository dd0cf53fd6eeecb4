// The COM runtime on Linux: creating objects through the class table, COM
// initialisation, GUIDs as text, and the system reference clock.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "orlin/host_services.h"

namespace {

constexpr CLSID kTestClass = {0x398b8ab5, 0x72ac, 0x4fce,
                              {0x91, 0xcf, 0x83, 0x8b, 0x70, 0xf8, 0xc5, 0xd6}};

template <typename T>
HRESULT Create(REFCLSID clsid, REFIID riid, T** object, DWORD context = CLSCTX_INPROC_SERVER,
               IUnknown* outer = nullptr) {
  return CoCreateInstance(clsid, outer, context, riid, reinterpret_cast<void**>(object));
}

std::u16string Text(REFGUID guid) {
  OLECHAR text[39];
  EXPECT_EQ(StringFromGUID2(guid, text, 39), 39);
  return text;
}

// An object that would aggregate another; never called.
struct Outer : IUnknown {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

// A registered class that hands out the system clock, to see the table call it.
int test_class_creations = 0;
HRESULT CreateTestClass(IUnknown* outer, REFIID riid, void** object) {
  ++test_class_creations;
  return orlin::CreateSystemClock(outer, riid, object);
}

TEST(ClassTable, CreatesTheMemoryAllocatorForItsInterfaces) {
  IMemAllocator* allocator = nullptr;
  ASSERT_EQ(Create(CLSID_MemoryAllocator, IID_IMemAllocator, &allocator), S_OK);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(Create(CLSID_MemoryAllocator, IID_IUnknown, &unknown, CLSCTX_ALL), S_OK);
  EXPECT_EQ(allocator->Release(), 0u);
  EXPECT_EQ(unknown->Release(), 0u);
}

TEST(ClassTable, RefusesWhatCOMRefusesAndClearsTheResult) {
  IUnknown* object = reinterpret_cast<IUnknown*>(&object);
  EXPECT_EQ(Create(kTestClass, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<IUnknown*>(&object);
  EXPECT_EQ(Create(CLSID_MemoryAllocator, IID_IPin, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(Create(CLSID_MemoryAllocator, IID_IUnknown, &object, CLSCTX_LOCAL_SERVER),
            REGDB_E_CLASSNOTREG);
  Outer outer;
  EXPECT_EQ(Create(CLSID_MemoryAllocator, IID_IUnknown, &object, CLSCTX_INPROC_SERVER, &outer),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             nullptr),
            E_POINTER);
}

TEST(ClassTable, ServesARegisteredClassUntilItIsUnregistered) {
  EXPECT_EQ(orlin::RegisterInProcessClass(kTestClass, nullptr), E_INVALIDARG);
  ASSERT_EQ(orlin::RegisterInProcessClass(kTestClass, &CreateTestClass), S_OK);
  EXPECT_EQ(orlin::RegisterInProcessClass(kTestClass, &CreateTestClass), S_FALSE);
  IReferenceClock* clock = nullptr;
  ASSERT_EQ(Create(kTestClass, IID_IReferenceClock, &clock), S_OK);
  EXPECT_EQ(test_class_creations, 1);
  clock->Release();
  EXPECT_EQ(orlin::UnregisterInProcessClass(kTestClass), S_OK);
  EXPECT_EQ(orlin::UnregisterInProcessClass(kTestClass), S_FALSE);
  EXPECT_EQ(Create(kTestClass, IID_IReferenceClock, &clock), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(test_class_creations, 1);
}

TEST(ComInitialisation, CountsPerThreadAndAnswersRepeatsWithSFalse) {
  std::thread([] {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_DISABLE_OLE1DDE), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
    CoUninitialize();  // one too many does no harm
    CoFreeUnusedLibraries();
  }).join();
}

TEST(GuidText, WritesTheBracedUpperCaseFormWithItsTerminator) {
  EXPECT_EQ(Text(kTestClass), u"{398B8AB5-72AC-4FCE-91CF-838B70F8C5D6}");
  EXPECT_EQ(Text(CLSID_MemoryAllocator), u"{1E651CC0-B199-11D0-8212-00C04FC32C45}");
  EXPECT_EQ(Text(GUID_NULL), u"{00000000-0000-0000-0000-000000000000}");
}

TEST(GuidText, WritesNothingIntoABufferTooSmall) {
  OLECHAR text[64];
  text[0] = u'x';
  EXPECT_EQ(StringFromGUID2(kTestClass, text, 38), 0);
  EXPECT_EQ(text[0], u'x');
  EXPECT_EQ(StringFromGUID2(kTestClass, text, 0), 0);
  EXPECT_EQ(StringFromGUID2(kTestClass, nullptr, 39), 0);
  EXPECT_EQ(StringFromGUID2(kTestClass, text, 64), 39);
}

TEST(GuidText, ReadsTheBracedFormInEitherCaseAndNothingElse) {
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromString(u"{398b8ab5-72ac-4fce-91cf-838b70f8c5d6}", &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kTestClass));
  for (const char16_t* malformed :
       {u"", u"398B8AB5-72AC-4FCE-91CF-838B70F8C5D6", u"{398B8AB5-72AC-4FCE-91CF-838B70F8C5D6",
        u"{398B8AB5-72AC-4FCE-91CF-838B70F8C5D6}x", u"{398B8AB5-72AC-4FCE-91CF-838B70F8C5DG}",
        u"{398B8AB5+72AC-4FCE-91CF-838B70F8C5D6}", u"{398B8AB5-72AC-4FCE-91CF}"}) {
    clsid = kTestClass;
    EXPECT_EQ(CLSIDFromString(malformed, &clsid), CO_E_CLASSSTRING) << std::u16string(malformed).size();
    EXPECT_TRUE(IsEqualCLSID(clsid, GUID_NULL));
    IID iid{};
    EXPECT_EQ(IIDFromString(malformed, &iid), E_INVALIDARG);
  }
  EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, GUID_NULL));
  IID iid{};
  ASSERT_EQ(IIDFromString(Text(IID_IMediaEventSink).c_str(), &iid), S_OK);
  EXPECT_TRUE(IsEqualIID(iid, IID_IMediaEventSink));
}

TEST(SystemClock, CountsUpInHundredNanosecondUnitsAndNeverBack) {
  IReferenceClock* clock = nullptr;
  ASSERT_EQ(Create(CLSID_SystemClock, IID_IReferenceClock, &clock), S_OK);
  EXPECT_EQ(clock->GetTime(nullptr), E_POINTER);
  REFERENCE_TIME first = 0;
  ASSERT_EQ(clock->GetTime(&first), S_OK);
  REFERENCE_TIME previous = first;
  for (int i = 0; i < 10000; ++i) {
    REFERENCE_TIME now = 0;
    clock->GetTime(&now);
    ASSERT_GE(now, previous);
    previous = now;
  }
  const auto wall_start = std::chrono::steady_clock::now();
  ASSERT_EQ(clock->GetTime(&first), S_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  REFERENCE_TIME later = 0;
  ASSERT_EQ(clock->GetTime(&later), S_OK);
  const auto wall = std::chrono::steady_clock::now() - wall_start;
  EXPECT_GE(later - first, 30 * 10'000);
  // In 100 ns units, rounded up: the wall time spans both readings.
  EXPECT_LE(later - first, std::chrono::duration_cast<std::chrono::nanoseconds>(wall).count() / 100 + 1);
  DWORD_PTR cookie = 1;
  EXPECT_EQ(clock->AdviseTime(0, 0, 0, &cookie), E_NOTIMPL);
  EXPECT_EQ(cookie, 0u);
  EXPECT_EQ(clock->Release(), 0u);
}

}  // namespace
