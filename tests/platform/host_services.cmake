# Host services. The event sink and the sample tests run on both platforms: under
# Wine the samples are the platform's own, which keeps our expectations honest.
# The allocator, class table, GUID text and clock tests check our Linux objects.
set(orlin_host_services_test_sources platform/host_event_sink_test.cpp
  platform/host_sample_test.cpp)
if(NOT WIN32)
  list(APPEND orlin_host_services_test_sources platform/host_allocator_test.cpp
    platform/host_allocator_posix_test.cpp platform/host_com_test.cpp)
endif()
orlin_add_test(host_services_tests SOURCES ${orlin_host_services_test_sources} LIBS orlin_platform)
if(NOT WIN32)
  # Unknown classes are looked up in the hive: never the user's own.
  orlin_uses_pc_registry(host_services_tests)
endif()
