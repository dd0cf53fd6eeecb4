# Orlin.dll's export and import tables, checked at build time with objdump on
# the build machine, so a build whose programs cannot run here (32-bit) still
# fails when the DLL would not load on a plain Windows installation.
if(NOT CMAKE_OBJDUMP)
  message(FATAL_ERROR "objdump for ${CMAKE_CXX_COMPILER} not found: Orlin.dll's tables cannot be checked")
endif()
set(orlin_dll_check_stamp ${CMAKE_BINARY_DIR}/orlin_dll_tables.checked)
add_custom_command(OUTPUT ${orlin_dll_check_stamp}
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:orlin_dll>
          -P ${PROJECT_SOURCE_DIR}/cmake/check-windows-dll.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${orlin_dll_check_stamp}
  DEPENDS orlin_dll $<TARGET_FILE:orlin_dll> ${PROJECT_SOURCE_DIR}/cmake/check-windows-dll.cmake
  COMMENT "Checking Orlin.dll's exports and imports"
  VERBATIM)
add_custom_target(orlin_dll_tables ALL DEPENDS ${orlin_dll_check_stamp})
