# Host services: the recording event sink on both platforms; on Linux also the
# COM runtime, memory allocator, samples and clock that Windows itself provides.
set(orlin_host_services_test_sources platform/host_event_sink_test.cpp)
if(NOT WIN32)
  list(APPEND orlin_host_services_test_sources platform/host_allocator_test.cpp
    platform/host_sample_test.cpp platform/host_com_test.cpp)
endif()
orlin_add_test(host_services_test SOURCES ${orlin_host_services_test_sources} LIBS orlin_platform)
