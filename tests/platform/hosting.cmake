# Linux hosting: the filter mapper and device enumerator over a hive of the
# test's own, and in-process servers loaded by the path registered for them.
if(NOT WIN32)
  add_library(hosting_test_server MODULE platform/hosting_test_server.cpp)
  target_link_libraries(hosting_test_server PRIVATE orlin_warnings)
  target_include_directories(hosting_test_server PRIVATE ${PROJECT_SOURCE_DIR}/platform/include)
  orlin_add_test(hosting_tests SOURCES platform/hosting_filter_data_test.cpp
    platform/hosting_mapper_test.cpp platform/hosting_server_loader_test.cpp LIBS orlin_platform)
  target_compile_definitions(hosting_tests PRIVATE
    HOSTING_TEST_SERVER="$<TARGET_FILE:hosting_test_server>")
  add_dependencies(hosting_tests hosting_test_server)
  orlin_uses_pc_registry(hosting_tests)
  # Where the programs find the library they register.
  target_sources(hosting_tests PRIVATE platform/filter_library_path_test.cpp)
  target_link_libraries(hosting_tests PRIVATE orlin_filter_library_path)
endif()
