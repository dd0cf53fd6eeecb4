if(NOT WIN32)
# orlin-view: its converters and writers, and the whole chain end to end.
orlin_add_test(view_tests SOURCES view/video_frame_test.cpp view/writers_test.cpp LIBS orlin_view)
# The graph host over the camera filter created in the test.
orlin_add_test(graph_host_tests SOURCES view/graph_host_test.cpp LIBS orlin_view orlin_filter_test_support)
orlin_uses_pc_registry(graph_host_tests)

# Registers the real library into a hive of its own and receives on the real
# stream port (the test takes its turn on it).
orlin_add_test(view_end_to_end_tests SOURCES view/view_end_to_end_test.cpp LIBS orlin_phone_test_support orlin_settings)
target_compile_definitions(view_end_to_end_tests PRIVATE
  ORLIN_REGSVR="$<TARGET_FILE:orlin-regsvr>" ORLIN_VIEW="$<TARGET_FILE:orlin-view>"
  ORLIN_LIBRARY="$<TARGET_FILE:orlin_dll>")
add_dependencies(view_end_to_end_tests orlin-regsvr orlin-view orlin_dll)
set_tests_properties(view_end_to_end_tests PROPERTIES TIMEOUT 120)
orlin_uses_stream_port(view_end_to_end_tests)
orlin_uses_pc_registry(view_end_to_end_tests)
endif()
