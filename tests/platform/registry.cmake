# Registry tests: the calls on both platforms (the real registry under Wine);
# on Linux also the hive file behind them. The Win32 subset alone: no COM.
set(orlin_registry_test_sources platform/registry_api_test.cpp)
if(NOT WIN32)
  list(APPEND orlin_registry_test_sources platform/registry_hive_file_test.cpp)
endif()
orlin_add_test(registry_tests SOURCES ${orlin_registry_test_sources} LIBS orlin_platform_win32)
# Never the user's own settings file.
orlin_uses_pc_registry(registry_tests)
