# Windows programs that use Orlin.dll the way capture applications do, run
# under Wine's DirectShow. Each has a Wine prefix of its own, since they
# register the camera there.
orlin_add_test(wine_device_enumeration_tests SOURCES wine/device_enumeration_test.cpp
  LIBS strmiids ole32 oleaut32 uuid)
add_dependencies(wine_device_enumeration_tests orlin_dll)
set_tests_properties(wine_device_enumeration_tests PROPERTIES
  ENVIRONMENT "ORLIN_WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/wineprefix-device-enumeration")

# Capture graphs: the camera, Wine's Sample Grabber and Null Renderer, and the
# phone's sender on 127.0.0.1:4444. They share one prefix, one at a time.
add_library(orlin_wine_capture_support STATIC wine/capture_app.cpp wine/capture_graph.cpp)
target_link_libraries(orlin_wine_capture_support PUBLIC orlin_phone_test_support orlin_codec
                      strmiids ole32 oleaut32 uuid ws2_32 PRIVATE orlin_warnings)
set(orlin_capture_prefix "ORLIN_WINEPREFIX=${CMAKE_CURRENT_BINARY_DIR}/wineprefix-capture-graph")
foreach(name capture_graph clocked_graph)
  orlin_add_test(wine_${name}_tests SOURCES wine/${name}_test.cpp LIBS orlin_wine_capture_support orlin_filter)
  add_dependencies(wine_${name}_tests orlin_dll)
  set_tests_properties(wine_${name}_tests PROPERTIES
    ENVIRONMENT "${orlin_capture_prefix}" RESOURCE_LOCK wineprefix-capture-graph)
  orlin_uses_stream_port(wine_${name}_tests)
endforeach()
# Frame rates, losses and time-outs are measured: alone on the machine. A graph
# that deadlocks (as with a single buffer behind Wine's Smart Tee) hangs in Stop:
# bounded well below the default time-out.
set_tests_properties(wine_capture_graph_tests wine_clocked_graph_tests PROPERTIES RUN_SERIAL TRUE TIMEOUT 120)
# Another sender on the stream port, run as a Linux program from the Windows test.
target_compile_definitions(wine_capture_graph_tests PRIVATE
  ORLIN_FOREIGN_SENDER="${CMAKE_CURRENT_SOURCE_DIR}/wine/foreign_sender.pl")

# regsvr32 and regsvr32 /u, with a check of the device list after each.
add_executable(wine_camera_listed wine/camera_listed_test.cpp)
target_link_libraries(wine_camera_listed PRIVATE orlin_wine_capture_support GTest::gtest_main orlin_warnings)
add_dependencies(wine_camera_listed orlin_dll)
add_test(NAME wine_regsvr32_tests
  COMMAND ${CMAKE_COMMAND} -DRUN=${CMAKE_CROSSCOMPILING_EMULATOR} -DDLL=$<TARGET_FILE:orlin_dll>
          -DCHECK=$<TARGET_FILE:wine_camera_listed> -P ${CMAKE_CURRENT_SOURCE_DIR}/wine/regsvr32_test.cmake)
set_tests_properties(wine_regsvr32_tests PROPERTIES
  ENVIRONMENT "${orlin_capture_prefix}" RESOURCE_LOCK "wineprefix-capture-graph")
