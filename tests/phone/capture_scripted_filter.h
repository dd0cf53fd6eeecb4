// A scripted camera filter for the capture's paths that a real camera does not
// take on demand: a pin with any number of types, and a Stop that fails. It is
// served as CLSID_VideoCapture while a ScriptedFilterClass lives.
#pragma once

#include <atomic>
#include <cstdint>

#include "orlin/automation.h"
#include "orlin/dshow.h"
#include "tests/phone/support/camera_script.h"

namespace orlin::test {

struct FilterScript {
  CameraScript camera;
  // Results of the next Stop calls, in order; S_OK when used up.
  std::vector<HRESULT> stopResults;
  int runs = 0;
  int stops = 0;
  bool connected = false;
};

class ScriptedFilterClass {
 public:
  explicit ScriptedFilterClass(FilterScript& script);
  ~ScriptedFilterClass();
  ScriptedFilterClass(const ScriptedFilterClass&) = delete;
  ScriptedFilterClass& operator=(const ScriptedFilterClass&) = delete;
};

}  // namespace orlin::test
