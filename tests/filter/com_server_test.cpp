// The COM server through its own functions (what the four exports call): the
// class factory, unloading, and registration read back from the registry.
#include <gtest/gtest.h>

#include "filter/com_server/class_factory.h"
#include "filter/com_server/module_file_name.h"
#include "filter/com_server/registration.h"
#include "filter/com_server/server.h"
#include "filter/framework/base_object.h"
#include "orlin/com_ref.h"
#include "filter/orlin_filter.h"
#include "orlin/module.h"
#include "tests/filter/com_server_support.h"
#include "tests/filter/orlin_test_sink.h"

namespace orlin::filter::test {

using framework::CBaseObject;
namespace {

// Registration creates the filter mapper through COM, as in a caller that has
// initialised COM on its thread.
class ComServer : public FilterFixture {
 protected:
  void TearDown() override {
    FilterFixture::TearDown();
  }
};

ComRef<IClassFactory> Factory() {
  ComRef<IClassFactory> factory;
  EXPECT_EQ(ServerGetClassObject(CLSID_OrlinCamera, IID_IClassFactory,
                                 factory.ReceiveVoid()),
            S_OK);
  return factory;
}

TEST_F(ComServer, ServesTheCameraClassOnlyAndOnlyAsAFactory) {
  void* object = &object;
  EXPECT_EQ(ServerGetClassObject(CLSID_MemoryAllocator, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = &object;
  EXPECT_EQ(ServerGetClassObject(CLSID_OrlinCamera, IID_IBaseFilter, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(ServerGetClassObject(CLSID_OrlinCamera, IID_IClassFactory, nullptr), E_POINTER);

  ComRef<IUnknown> unknown;
  ASSERT_EQ(ServerGetClassObject(CLSID_OrlinCamera, IID_IUnknown, unknown.ReceiveVoid()),
            S_OK);
  ComRef<IClassFactory> factory;
  ASSERT_EQ(unknown->QueryInterface(IID_IClassFactory, factory.ReceiveVoid()), S_OK);
  EXPECT_EQ(factory->QueryInterface(IID_IBaseFilter, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(ComServer, FactoryCreatesTheCameraFilter) {
  ComRef<IClassFactory> factory = Factory();
  ComRef<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReceiveVoid()),
            S_OK);
  CLSID clsid = GUID_NULL;
  ASSERT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_OrlinCamera);
  FILTER_INFO info{};
  ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
  ComRef<IPin> pin;
  ASSERT_EQ(filter->FindPin(ORLIN_TEXT("1"), pin.Receive()), S_OK);
  PIN_INFO pinInfo{};
  ASSERT_EQ(pin->QueryPinInfo(&pinInfo), S_OK);
  EXPECT_EQ(std::basic_string<WCHAR>(pinInfo.achName), ORLIN_TEXT("Orlin Pin"));
  EXPECT_EQ(pinInfo.dir, PINDIR_OUTPUT);
  if (pinInfo.pFilter != nullptr) pinInfo.pFilter->Release();

  void* object = &object;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, nullptr), E_POINTER);
}

TEST_F(ComServer, AnAggregatedFilterGivesOnlyItsInnerUnknown) {
  ComRef<IClassFactory> factory = Factory();
  OuterObject outer;
  void* object = &object;
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IBaseFilter, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(CBaseObject::ObjectsActive(), 1);  // the factory: nothing was made

  ComRef<IUnknown> inner;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, inner.ReceiveVoid()), S_OK);
  ComRef<IBaseFilter> filter;
  ASSERT_EQ(inner->QueryInterface(IID_IBaseFilter, filter.ReceiveVoid()), S_OK);
  // The filter's own faces count on the outer object.
  EXPECT_EQ(outer.References(), 2);
  filter.Clear();
  EXPECT_EQ(outer.References(), 1);
  inner.Clear();
  EXPECT_EQ(outer.References(), 1);
}

TEST_F(ComServer, UnloadsOnlyWithNoFactoryFilterOrLockLeft) {
  EXPECT_EQ(ServerCanUnloadNow(), S_OK);
  ComRef<IClassFactory> factory = Factory();
  EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
  ComRef<IBaseFilter> filter;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IBaseFilter, filter.ReceiveVoid()),
            S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Clear();
  EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);
  filter.Clear();
  EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);  // two locks
  factory = Factory();
  factory->LockServer(FALSE);
  factory->LockServer(FALSE);
  EXPECT_EQ(ServerCanUnloadNow(), S_FALSE);  // the factory itself
  factory.Clear();
  EXPECT_EQ(ServerCanUnloadNow(), S_OK);
}

TEST_F(ComServer, RegistrationWritesTheClassKeysAndUnregistrationRemovesThem) {
  ASSERT_EQ(ServerRegister(), S_OK);
  // Twice: the same keys, overwritten.
  ASSERT_EQ(ServerRegister(), S_OK);
  char path[260];
  ASSERT_NE(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
  EXPECT_EQ(ReadClassesString(kClassKey, nullptr), ORLIN_TEXT("Orlin Camera"));
  EXPECT_EQ(ReadClassesString(kServerKey, nullptr), Widen(path));
  EXPECT_EQ(ReadClassesString(kServerKey, ORLIN_TEXT("ThreadingModel")), ORLIN_TEXT("Both"));

  EXPECT_EQ(ServerUnregister(), S_OK);
  EXPECT_FALSE(ClassesKeyExists(kServerKey));
  EXPECT_FALSE(ClassesKeyExists(kClassKey));
  // Nothing left to remove: the class keys are S_OK, the mapper says what it says.
  EXPECT_EQ(RegisterAllServers(FALSE), S_OK);
}

// The name registration records is taken whole or not at all: a buffer one
// character short of the terminator is a cut name, never a success.
TEST_F(ComServer, AModuleFileNameThatWouldBeCutIsRefused) {
  std::basic_string<WCHAR> whole;
  ASSERT_EQ(ModuleFileName(nullptr, whole), S_OK);
  ASSERT_FALSE(whole.empty());
  std::basic_string<WCHAR> name = ORLIN_TEXT("as it was");
  EXPECT_EQ(ModuleFileName(nullptr, name, DWORD(whole.size())), SELFREG_E_CLASS);
  EXPECT_EQ(name, ORLIN_TEXT("as it was"));
  EXPECT_EQ(ModuleFileName(nullptr, name, DWORD(whole.size() + 1)), S_OK);
  EXPECT_EQ(name, whole);
}

}  // namespace
}  // namespace orlin::filter::test
