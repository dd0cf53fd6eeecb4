// Self-registration records: what a filter library tells the filter mapper
// about each filter it serves (name, merit, pins and their media types).
// Laid out as the mapper's REGFILTERPINS and REGPINTYPES records.
#pragma once

#include "orlin/filter_mapper.h"

namespace orlin::framework {

struct AMOVIESETUP_MEDIATYPE {
  const CLSID* clsMajorType;
  const CLSID* clsMinorType;
};

struct AMOVIESETUP_PIN {
  const WCHAR* strName;
  BOOL bRendered;
  BOOL bOutput;
  BOOL bZero;
  BOOL bMany;
  const CLSID* clsConnectsToFilter;
  const WCHAR* strConnectsToPin;
  UINT nMediaTypes;
  const AMOVIESETUP_MEDIATYPE* lpMediaType;
};

struct AMOVIESETUP_FILTER {
  const CLSID* clsID;
  const WCHAR* strName;
  DWORD dwMerit;
  UINT nPins;
  const AMOVIESETUP_PIN* lpPin;
};

}  // namespace orlin::framework
