// The registry calls as our code uses them, on both platforms: on Windows (and
// Wine) against the real registry, on Linux against the hive file. Everything
// happens below test-only keys that are removed before and after each test.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "orlin/registry.h"

namespace orlin::platform {
namespace {

using WString = std::basic_string<WCHAR>;

const WCHAR kTestParent[] = ORLIN_TEXT("SOFTWARE\\Tessaly\\OrlinTest");
const WCHAR kTestKey[] = ORLIN_TEXT("SOFTWARE\\Tessaly\\OrlinTest\\Registry");
const WCHAR kTestClass[] = ORLIN_TEXT("OrlinTest.RegistryTests");

// Removes a key and everything below it (RegDeleteKeyW takes leaves only).
void DeleteTree(HKEY root, const WString& path) {
  {
    RegistryKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, MAXIMUM_ALLOWED, key.Receive()) != ERROR_SUCCESS) return;
    for (;;) {
      std::array<WCHAR, 256> name{};
      DWORD chars = DWORD(name.size());
      if (RegEnumKeyExW(key.Get(), 0, name.data(), &chars, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      DeleteTree(root, path + ORLIN_TEXT("\\") + WString(name.data(), chars));
    }
  }
  RegDeleteKeyW(root, path.c_str());
}

void DeleteIfEmpty(HKEY root, const WCHAR* path) {
  RegistryKey key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return;
  std::array<WCHAR, 256> name{};
  DWORD chars = DWORD(name.size());
  if (RegEnumKeyExW(key.Get(), 0, name.data(), &chars, nullptr, nullptr, nullptr, nullptr) ==
      ERROR_NO_MORE_ITEMS) {
    key.Reset();
    RegDeleteKeyW(root, path);
  }
}

class RegistryApi : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    DeleteTree(HKEY_LOCAL_MACHINE, kTestKey);
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, kTestParent);
    DeleteTree(HKEY_CLASSES_ROOT, kTestClass);
  }

  static RegistryKey Create(const WString& below = {}, REGSAM access = KEY_ALL_ACCESS) {
    RegistryKey key;
    const WString path = below.empty() ? WString(kTestKey) : WString(kTestKey) + ORLIN_TEXT("\\") + below;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, access, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    return key;
  }

  static void SetDword(HKEY key, const WCHAR* name, DWORD number) {
    const BYTE bytes[4] = {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)};
    ASSERT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, bytes, 4), ERROR_SUCCESS);
  }
};

TEST_F(RegistryApi, ValuesSetThroughOneHandleReadBackThroughAnother) {
  DWORD disposition = 0;
  RegistryKey writer;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            writer.Receive(), &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
  SetDword(writer.Get(), ORLIN_TEXT("Width"), 0x12345678);
  const BYTE fourcc[4] = {'I', 'Y', 'U', 'V'};
  ASSERT_EQ(RegSetValueExW(writer.Get(), ORLIN_TEXT("FourCC"), 0, REG_BINARY, fourcc, 4), ERROR_SUCCESS);
  const WCHAR text[] = ORLIN_TEXT("Orlin \"Camera\" \\ x");
  ASSERT_EQ(RegSetValueExW(writer.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                           sizeof text),
            ERROR_SUCCESS);
  writer.Reset();

  RegistryKey again = Create();  // opens, does not create
  RegistryKey reader;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, reader.Receive()), ERROR_SUCCESS);

  DWORD type = 0, number = 0, size = 4;
  ASSERT_EQ(RegQueryValueExW(reader.Get(), ORLIN_TEXT("Width"), nullptr, &type,
                             reinterpret_cast<BYTE*>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  EXPECT_EQ(number, 0x12345678u);

  BYTE bytes[4] = {};
  size = 4;
  ASSERT_EQ(RegQueryValueExW(reader.Get(), ORLIN_TEXT("FourCC"), nullptr, &type, bytes, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(std::memcmp(bytes, fourcc, 4), 0);

  WCHAR back[64] = {};
  size = sizeof back;
  ASSERT_EQ(RegQueryValueExW(reader.Get(), ORLIN_TEXT(""), nullptr, &type, reinterpret_cast<BYTE*>(back),
                             &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, DWORD(sizeof text));
  EXPECT_EQ(WString(back), WString(text));
}

TEST_F(RegistryApi, LongerValueIntoFourByteBufferIsMoreDataAndNothingPastTheBuffer) {
  RegistryKey key = Create();
  const BYTE eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(RegSetValueExW(key.Get(), ORLIN_TEXT("Width"), 0, REG_BINARY, eight, 8), ERROR_SUCCESS);

  std::array<BYTE, 12> memory;
  memory.fill(0xEE);
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExW(key.Get(), ORLIN_TEXT("Width"), nullptr, nullptr, memory.data() + 4, &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  for (std::size_t i : {0u, 1u, 2u, 3u, 8u, 9u, 10u, 11u}) EXPECT_EQ(memory[i], 0xEE) << "byte " << i;

  // The size alone, without a buffer.
  size = 0;
  EXPECT_EQ(RegQueryValueExW(key.Get(), ORLIN_TEXT("Width"), nullptr, nullptr, nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);
}

TEST_F(RegistryApi, MissingKeysAndValuesAreFileNotFound) {
  HKEY key = reinterpret_cast<HKEY>(std::uintptr_t(1));
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, nullptr);

  RegistryKey created = Create();
  DWORD size = 4, number = 0;
  EXPECT_EQ(RegQueryValueExW(created.Get(), ORLIN_TEXT("Absent"), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&number), &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, ORLIN_TEXT("SOFTWARE\\Tessaly\\OrlinTest\\Registry\\None")),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryApi, KeyOpenedForReadingRefusesWrites) {
  Create();
  RegistryKey reader;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, reader.Receive()), ERROR_SUCCESS);
  const BYTE one[4] = {1, 0, 0, 0};
  EXPECT_EQ(RegSetValueExW(reader.Get(), ORLIN_TEXT("Width"), 0, REG_DWORD, one, 4), ERROR_ACCESS_DENIED);

  RegistryKey writer;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_SET_VALUE, writer.Receive()), ERROR_SUCCESS);
  DWORD size = 4, number = 0;
  EXPECT_EQ(RegQueryValueExW(writer.Get(), ORLIN_TEXT("Width"), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&number), &size),
            ERROR_ACCESS_DENIED);
}

TEST_F(RegistryApi, KeyAndValueNamesIgnoreCase) {
  RegistryKey key = Create(ORLIN_TEXT("Mixed\\Case"));
  SetDword(key.Get(), ORLIN_TEXT("BitsPerPixel"), 12);
  SetDword(key.Get(), ORLIN_TEXT("BITSPERPIXEL"), 16);  // the same value, overwritten

  RegistryKey other;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, ORLIN_TEXT("software\\TESSALY\\orlintest\\registry\\MIXED\\case"),
                          0, KEY_READ, other.Receive()),
            ERROR_SUCCESS);
  DWORD size = 4, number = 0;
  ASSERT_EQ(RegQueryValueExW(other.Get(), ORLIN_TEXT("bitsperpixel"), nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 16u);
}

TEST_F(RegistryApi, SubkeysEnumerateAndOnlyLeavesDelete) {
  Create(ORLIN_TEXT("Beta"));
  Create(ORLIN_TEXT("alpha\\Leaf"));
  Create(ORLIN_TEXT("Gamma"));
  RegistryKey parent;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTestKey, 0, KEY_READ, parent.Receive()), ERROR_SUCCESS);

  std::set<WString> names;
  DWORD index = 0;
  for (;; ++index) {
    WCHAR name[32];
    DWORD chars = 32;
    const LSTATUS status = RegEnumKeyExW(parent.Get(), index, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(status, ERROR_SUCCESS);
    names.insert(WString(name, chars));
  }
  EXPECT_EQ(index, 3u);
  EXPECT_EQ(names, (std::set<WString>{ORLIN_TEXT("alpha"), ORLIN_TEXT("Beta"), ORLIN_TEXT("Gamma")}));

  WCHAR tiny[3];
  DWORD chars = 3;
  EXPECT_EQ(RegEnumKeyExW(parent.Get(), 0, tiny, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  EXPECT_EQ(RegDeleteKeyW(parent.Get(), ORLIN_TEXT("alpha")), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(parent.Get(), ORLIN_TEXT("alpha\\Leaf")), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(parent.Get(), ORLIN_TEXT("alpha")), ERROR_SUCCESS);
  RegistryKey gone;
  EXPECT_EQ(RegOpenKeyExW(parent.Get(), ORLIN_TEXT("alpha"), 0, KEY_READ, gone.Receive()), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryApi, ClassesRootIsTheMachineClassesKey) {
  RegistryKey created;
  const WString inproc = WString(kTestClass) + ORLIN_TEXT("\\InprocServer32");
  ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, inproc.c_str(), created.Receive()), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueW(HKEY_CLASSES_ROOT, kTestClass, REG_SZ, ORLIN_TEXT("Orlin Camera"), 0), ERROR_SUCCESS);

  const WString machinePath = WString(ORLIN_TEXT("SOFTWARE\\Classes\\")) + kTestClass;
  RegistryKey machine;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, machinePath.c_str(), 0, KEY_READ, machine.Receive()),
            ERROR_SUCCESS);
  WCHAR text[32] = {};
  DWORD size = sizeof text, type = 0;
  ASSERT_EQ(RegQueryValueExW(machine.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(WString(text), WString(ORLIN_TEXT("Orlin Camera")));
  RegistryKey sub;
  EXPECT_EQ(RegOpenKeyExW(machine.Get(), ORLIN_TEXT("InprocServer32"), 0, KEY_READ, sub.Receive()), ERROR_SUCCESS);
}

TEST_F(RegistryApi, ConcurrentWritersLoseNoValue) {
  RegistryKey key = Create();
  auto writer = [&](WCHAR prefix) {
    for (int i = 0; i < 20; ++i) {
      const WCHAR name[] = {prefix, WCHAR(u'A' + i), 0};
      const BYTE bytes[4] = {BYTE(i), 0, 0, 0};
      EXPECT_EQ(RegSetValueExW(key.Get(), name, 0, REG_DWORD, bytes, 4), ERROR_SUCCESS);
    }
  };
  std::thread first(writer, WCHAR('x'));
  std::thread second(writer, WCHAR('y'));
  first.join();
  second.join();
  for (WCHAR prefix : {WCHAR('x'), WCHAR('y')}) {
    for (int i = 0; i < 20; ++i) {
      const WCHAR name[] = {prefix, WCHAR(u'A' + i), 0};
      DWORD number = 99, size = 4;
      ASSERT_EQ(RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
                ERROR_SUCCESS);
      EXPECT_EQ(number, DWORD(i));
    }
  }
}

}  // namespace
}  // namespace orlin::platform
