# COM and DirectShow declarations, Winsock names and message boxes; the same
# program checks our Linux declarations natively and the SDK's under Wine.
set(orlin_sdk_subset_test_sources
  platform/dshow_declarations_test.cpp platform/winsock_test.cpp platform/message_box_test.cpp
  platform/text_lines_test.cpp)
if(NOT WIN32)
  list(APPEND orlin_sdk_subset_test_sources platform/message_box_posix_test.cpp)
endif()
orlin_add_test(platform_sdk_subset_tests SOURCES ${orlin_sdk_subset_test_sources} LIBS orlin_platform)
