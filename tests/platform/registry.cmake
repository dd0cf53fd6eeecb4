# Registry tests: the calls on both platforms (the real registry under Wine);
# on Linux also the hive file behind them.
set(orlin_registry_test_sources platform/registry_api_test.cpp)
if(NOT WIN32)
  list(APPEND orlin_registry_test_sources platform/registry_hive_file_test.cpp)
endif()
orlin_add_test(registry_tests SOURCES ${orlin_registry_test_sources} LIBS orlin_platform)
if(NOT WIN32)
  # Never the user's own settings file.
  set_tests_properties(registry_tests PROPERTIES
    ENVIRONMENT "ORLIN_PC_REGISTRY=${CMAKE_CURRENT_BINARY_DIR}/registry_tests.reg")
endif()
