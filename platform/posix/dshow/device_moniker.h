// The moniker of one filter entered in a device category, as the system device
// enumerator hands it out: it binds to a property bag over the entry's values
// (FriendlyName, CLSID) and to the filter, created through CoCreateInstance.
#pragma once

#include <string>

#include "orlin/moniker.h"

namespace orlin::detail {

// A new moniker holding one reference for the caller; null when out of memory.
IMoniker* NewDeviceMoniker(REFCLSID category, const std::u16string& instance);

// A property bag over the values of a key under HKEY_CLASSES_ROOT. Strings
// read as VT_BSTR and DWORDs as VT_I4; binary values (FilterData) have no
// VARIANT form here and read as E_NOTIMPL. An absent value gives 0x80070002.
IPropertyBag* NewRegistryPropertyBag(const std::u16string& keyPath);

}  // namespace orlin::detail
