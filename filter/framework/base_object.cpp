#include "filter/framework/base_object.h"

#include <atomic>

namespace orlin::framework {

namespace {
std::atomic<LONG> objects_active{0};
}  // namespace

LONG CBaseObject::ObjectsActive() { return objects_active.load(); }

CBaseObject::CBaseObject(const WCHAR*) { objects_active.fetch_add(1); }

CBaseObject::~CBaseObject() { objects_active.fetch_sub(1); }

}  // namespace orlin::framework
