// Object counting: every live framework object that COM can hand out (filters,
// pins, class factories) is counted, so that the library knows when it may be
// unloaded.
#pragma once

#include "orlin/com.h"

namespace orlin::framework {

class CBaseObject {
 public:
  // The number of counted objects alive in the process.
  static LONG ObjectsActive();

  CBaseObject(const CBaseObject&) = delete;
  CBaseObject& operator=(const CBaseObject&) = delete;

 protected:
  // The name is a label for debugging only; it is not stored.
  explicit CBaseObject(const WCHAR* name);
  ~CBaseObject();
};

}  // namespace orlin::framework
