#include "filter/com_server/factory_template.h"

#include "filter/orlin_filter.h"
#include "orlin/stream_config.h"

namespace orlin::filter {

using framework::AMOVIESETUP_FILTER;
using framework::AMOVIESETUP_PIN;
using framework::AMOVIESETUP_MEDIATYPE;
namespace {

const AMOVIESETUP_MEDIATYPE kPinTypes[] = {{&MEDIATYPE_Video, &GUID_NULL}};

const AMOVIESETUP_PIN kPins[] = {{ORLIN_TEXT(""), FALSE, TRUE, FALSE, FALSE, &GUID_NULL, nullptr,
                                  1, kPinTypes}};

const AMOVIESETUP_FILTER kFilterSetup = {&CLSID_OrlinCamera, kFriendlyName, MERIT_DO_NOT_USE, 1,
                                         kPins};

const REGPINTYPES kDeviceTypes[] = {{&MEDIATYPE_Video, &GUID_NULL}};

const REGFILTERPINS2 kDevicePins[] = {
    {REG_PINFLAG_B_OUTPUT, 1, 1, kDeviceTypes, 0, nullptr, &PIN_CATEGORY_CAPTURE}};

REGFILTER2 MakeDeviceRecord() {
  REGFILTER2 record{};
  record.dwVersion = 2;
  record.dwMerit = MERIT_DO_NOT_USE;
  record.cPins2 = 1;
  record.rgPins2 = kDevicePins;
  return record;
}

}  // namespace

const CFactoryTemplate kTemplates[] = {
    {kFriendlyName, &CLSID_OrlinCamera, &OrlinFilter::CreateInstance, nullptr, &kFilterSetup}};
const int kTemplateCount = sizeof kTemplates / sizeof kTemplates[0];

const REGFILTER2 kVideoInputDevice = MakeDeviceRecord();

const CFactoryTemplate* FindTemplate(REFCLSID clsid) {
  for (int i = 0; i < kTemplateCount; ++i) {
    if (IsEqualCLSID(*kTemplates[i].clsid, clsid)) return &kTemplates[i];
  }
  return nullptr;
}

}  // namespace orlin::filter
