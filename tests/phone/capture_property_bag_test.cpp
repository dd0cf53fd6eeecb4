// The property bag that hands the camera its name, and the BSTR and VARIANT
// functions under it.
#include <gtest/gtest.h>

#include "orlin/automation.h"
#include "orlin/com_ref.h"
#include "phone/property_bag.h"

namespace orlin::test {
namespace {

using phone::PropertyBag;

std::u16string U16(const OLECHAR* text) {
  std::u16string out;
  for (; text != nullptr && *text != 0; ++text) out += static_cast<char16_t>(*text);
  return out;
}

struct Variant {
  Variant() { VariantInit(&value); }
  ~Variant() { VariantClear(&value); }
  VARIANT value;
};

TEST(PropertyBagTest, ReadGivesAnOwnCopyOfTheNewestValueWritten) {
  auto bag = ComRef<IPropertyBag>::Adopting(PropertyBag::Create());
  ASSERT_TRUE(bag);
  Variant written;
  written.value.vt = VT_BSTR;
  written.value.bstrVal = SysAllocString(ORLIN_TEXT("test"));
  ASSERT_EQ(bag->Write(ORLIN_TEXT("VCapName"), &written.value), S_OK);
  SysFreeString(written.value.bstrVal);
  written.value.bstrVal = SysAllocString(ORLIN_TEXT("/dev/video0"));
  ASSERT_EQ(bag->Write(ORLIN_TEXT("VCapName"), &written.value), S_OK);

  Variant read;
  ASSERT_EQ(bag->Read(ORLIN_TEXT("VCapName"), &read.value, nullptr), S_OK);
  ASSERT_EQ(read.value.vt, VT_BSTR);
  EXPECT_EQ(U16(read.value.bstrVal), u"/dev/video0");
  EXPECT_NE(read.value.bstrVal, written.value.bstrVal);  // a copy, freed by its reader
  EXPECT_EQ(SysStringLen(read.value.bstrVal), 11u);
}

TEST(PropertyBagTest, MissingOrDifferentlyCasedNameLeavesTheValueUntouched) {
  auto bag = ComRef<IPropertyBag>::Adopting(PropertyBag::Create());
  Variant number;
  number.value.vt = VT_I4;
  number.value.lVal = 5;
  ASSERT_EQ(bag->Write(ORLIN_TEXT("VCapName"), &number.value), S_OK);
  Variant read;
  read.value.vt = VT_I4;
  read.value.lVal = 42;
  EXPECT_EQ(bag->Read(ORLIN_TEXT("vcapname"), &read.value, nullptr), S_OK);
  EXPECT_EQ(read.value.lVal, 42);
  EXPECT_EQ(bag->Read(ORLIN_TEXT("VCapNam"), &read.value, nullptr), S_OK);
  EXPECT_EQ(read.value.lVal, 42);
  EXPECT_EQ(bag->Read(ORLIN_TEXT("VCapName"), nullptr, nullptr), E_POINTER);
}

TEST(PropertyBagTest, QueryInterfaceCountsReferencesAndClearsOnRefusal) {
  IPropertyBag* bag = PropertyBag::Create();
  void* object = bag;
  EXPECT_EQ(bag->QueryInterface(IID_IPersistPropertyBag, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(bag->QueryInterface(IID_IPropertyBag, nullptr), E_POINTER);
  ASSERT_EQ(bag->QueryInterface(IID_IPropertyBag, &object), S_OK);
  EXPECT_EQ(object, bag);
  ASSERT_EQ(bag->QueryInterface(IID_IUnknown, &object), S_OK);
  EXPECT_EQ(bag->Release(), 2u);
  EXPECT_EQ(bag->Release(), 1u);
  EXPECT_EQ(bag->Release(), 0u);
}

TEST(AutomationTest, BstrKeepsEmbeddedZerosAndItsLength) {
  const OLECHAR text[] = {u'a', 0, u'b'};
  BSTR copy = SysAllocStringLen(text, 3);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(SysStringLen(copy), 3u);
  EXPECT_EQ(copy[2], u'b');
  EXPECT_EQ(copy[3], 0);
  Variant source;
  source.value.vt = VT_BSTR;
  source.value.bstrVal = copy;
  Variant target;
  ASSERT_EQ(VariantCopy(&target.value, &source.value), S_OK);
  EXPECT_EQ(SysStringLen(target.value.bstrVal), 3u);
  EXPECT_EQ(target.value.bstrVal[2], u'b');
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
}

TEST(AutomationTest, CopyReplacesWhatTheTargetHeldAndRefusesUnknownTypes) {
  Variant target;
  target.value.vt = VT_BSTR;
  target.value.bstrVal = SysAllocString(ORLIN_TEXT("old"));  // freed by the copy (ASan sees a leak otherwise)
  Variant source;
  source.value.vt = VT_I4;
  source.value.lVal = 7;
  ASSERT_EQ(VariantCopy(&target.value, &source.value), S_OK);
  EXPECT_EQ(target.value.vt, VT_I4);
  EXPECT_EQ(target.value.lVal, 7);
  Variant odd;
  odd.value.vt = 0x4000;  // a by-reference type, not supported here
  EXPECT_EQ(VariantCopy(&target.value, &odd.value), DISP_E_BADVARTYPE);
  EXPECT_EQ(target.value.lVal, 7);
  odd.value.vt = VT_EMPTY;
  EXPECT_EQ(VariantClear(&target.value), S_OK);
  EXPECT_EQ(target.value.vt, VT_EMPTY);
}

}  // namespace
}  // namespace orlin::test
