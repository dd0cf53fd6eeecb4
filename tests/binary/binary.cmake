# Orlin.dll's export and import tables, read by objdump on the build machine.
# These commands are not targets, so ctest runs them natively, not under Wine.
set(orlin_check_dll ${PROJECT_SOURCE_DIR}/cmake/check-windows-dll.cmake)
add_test(NAME orlin_dll_tables
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:orlin_dll> -P ${orlin_check_dll})

# The check itself must catch a DLL that needs the compiler's runtime DLLs and
# exports other names: the compiler's own shared C++ library does both.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE orlin_shared_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
if(IS_ABSOLUTE "${orlin_shared_libstdcxx}" AND EXISTS "${orlin_shared_libstdcxx}")
  add_test(NAME orlin_dll_tables_catches_runtime_dlls
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=${orlin_shared_libstdcxx} -P ${orlin_check_dll})
  set_tests_properties(orlin_dll_tables_catches_runtime_dlls PROPERTIES
    PASS_REGULAR_EXPRESSION "exports \\[_Z.*expected exactly \\[DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer\\].*imports non-system DLL libgcc_s_[a-z0-9]+-1\\.dll")
endif()
