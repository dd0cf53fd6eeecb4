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

# orlin-view --window on an X server of the test's own, captured with xwd; it
# leaves the window's picture beside the test (view-window.png).
find_program(XVFB_RUN xvfb-run)
find_program(XWD xwd)
if(TARGET orlin_view_window AND XVFB_RUN AND XWD)
  # Not orlin_add_test: the program runs under xvfb-run, on a screen of its
  # own whose black root (-br) leaves the window's picture as what is not black.
  add_executable(view_window_tests view/view_window_test.cpp)
  target_link_libraries(view_window_tests PRIVATE orlin_phone_test_support orlin_settings orlin_view
                        orlin_test_support GTest::gtest_main orlin_warnings)
  target_compile_definitions(view_window_tests PRIVATE
    ORLIN_REGSVR="$<TARGET_FILE:orlin-regsvr>" ORLIN_VIEW="$<TARGET_FILE:orlin-view>"
    ORLIN_LIBRARY="$<TARGET_FILE:orlin_dll>" XWD="${XWD}"
    VIEW_WINDOW_PICTURE="${CMAKE_CURRENT_BINARY_DIR}/view-window.png")
  add_dependencies(view_window_tests orlin-regsvr orlin-view orlin_dll)
  add_test(NAME view_window_tests
           COMMAND ${XVFB_RUN} -a -s "-screen 0 640x480x24 -br" $<TARGET_FILE:view_window_tests>)
  if(CMAKE_CXX_FLAGS MATCHES "sanitize=address")
    # SDL's video start leaves allocations in libdbus and in libraries it
    # loads and unloads, which the leak checker cannot tell from ours; orlin-view's
    # own leaks are checked by view_end_to_end_tests, without a window.
    set_property(TEST view_window_tests APPEND PROPERTY ENVIRONMENT
                 "ASAN_OPTIONS=intercept_tls_get_addr=0:detect_leaks=0")
  endif()
  set_tests_properties(view_window_tests PROPERTIES TIMEOUT 180)
  orlin_uses_stream_port(view_window_tests)
  orlin_uses_pc_registry(view_window_tests)
else()
  message(STATUS "view_window_tests not built: it needs SDL2, xvfb-run and xwd")
endif()
endif()
