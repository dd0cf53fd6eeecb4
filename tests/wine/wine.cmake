# Windows programs that use Orlin.dll the way capture applications do, run
# under Wine's DirectShow. Each has a Wine prefix of its own, since they
# register the camera there.
orlin_add_test(wine_device_enumeration_tests SOURCES wine/device_enumeration_test.cpp
  LIBS strmiids ole32 oleaut32 uuid)
add_dependencies(wine_device_enumeration_tests orlin_dll)
set_tests_properties(wine_device_enumeration_tests PROPERTIES
  ENVIRONMENT "ORLIN_WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/wineprefix-device-enumeration")
