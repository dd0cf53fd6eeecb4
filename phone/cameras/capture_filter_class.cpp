#include "phone/cameras/capture_filter_class.h"

#include "orlin/host_services.h"
#include "phone/camera_capture_classes.h"
#include "phone/cameras/capture_filter.h"

namespace orlin::phone::cameras {

HRESULT RegisterCaptureFilterClass() {
  return RegisterInProcessClass(CLSID_VideoCapture, &CaptureFilter::Create);
}

}  // namespace orlin::phone::cameras
