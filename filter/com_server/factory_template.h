// The classes this library serves: one entry per class, with its name, how to
// create it and what to register for it.
#pragma once

#include "filter/framework/setup_data.h"
#include "filter/framework/unknown.h"

namespace orlin::filter {

// Creates an object for an outer object (or none); failures go into *phr.
using CreateObjectFunction = framework::CUnknown* (*)(IUnknown* outer, HRESULT* phr);
// Called with TRUE at library load and FALSE at unload.
using InitRoutine = void (*)(BOOL loading, const CLSID* clsid);

struct CFactoryTemplate {
  const WCHAR* name;
  const CLSID* clsid;
  CreateObjectFunction create;
  InitRoutine init;
  const framework::AMOVIESETUP_FILTER* setup;
};

extern const CFactoryTemplate kTemplates[];
extern const int kTemplateCount;

// The entry serving clsid, or null.
const CFactoryTemplate* FindTemplate(REFCLSID clsid);

// The camera among the video input devices: one capture output pin.
extern const REGFILTER2 kVideoInputDevice;
inline constexpr WCHAR kDeviceInstance[] = ORLIN_TEXT("Orlin");
inline constexpr WCHAR kFriendlyName[] = ORLIN_TEXT("Orlin Camera");

}  // namespace orlin::filter
