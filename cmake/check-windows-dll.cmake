# Checks a Windows DLL's export and import tables with objdump, natively (no Wine):
#   cmake -DOBJDUMP=<objdump> -DDLL=<file> [-DEXPORTS=a;b;c] -P check-windows-dll.cmake
# The DLL must export exactly EXPORTS (by name, undecorated) and import only
# DLLs that every Windows installation has, so that it loads with nothing
# beside it. Exits non-zero with a message naming each problem.
cmake_minimum_required(VERSION 3.25)

if(NOT OBJDUMP OR NOT DLL)
  message(FATAL_ERROR "usage: cmake -DOBJDUMP=... -DDLL=... [-DEXPORTS=...] -P check-windows-dll.cmake")
endif()
if(NOT DEFINED EXPORTS)
  set(EXPORTS DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
endif()

# DLLs of the system itself (lower case). The C runtime is msvcrt or the
# universal CRT's api-ms-win-crt-* forwarders; anything else (the compiler's
# libstdc++, libgcc_s, libwinpthread, zlib, ...) would have to ship beside us.
set(system_dlls advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll
    ntdll.dll ole32.dll oleaut32.dll rpcrt4.dll shell32.dll shlwapi.dll user32.dll version.dll
    winmm.dll ws2_32.dll mswsock.dll iphlpapi.dll quartz.dll)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump ERROR_VARIABLE dump_error
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${dump_error}")
endif()
string(REPLACE ";" "\\;" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")

set(problems "")
set(imports "")
set(exports "")
set(in_names FALSE)
foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" name)
    list(APPEND imports "${name}")
  elseif(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(in_names TRUE)
  elseif(in_names)
    # "\t[   0] DllCanUnloadNow" or, in newer binutils, "\t[   0] +base[   1] 0000 DllCanUnloadNow".
    if(line MATCHES "^[ \t]*\\[ *[0-9]+\\] (\\+base\\[ *[0-9]+\\] [0-9a-fA-F]+ )?([^ \t]+)[ \t]*$")
      list(APPEND exports "${CMAKE_MATCH_2}")
    else()
      set(in_names FALSE)
    endif()
  endif()
endforeach()

list(SORT exports)
set(expected ${EXPORTS})
list(SORT expected)
if(NOT exports STREQUAL expected)
  list(LENGTH exports count)
  set(shown ${exports})
  if(count GREATER 8)
    list(SUBLIST exports 0 8 shown)
    list(APPEND shown "... (${count} in all)")
  endif()
  string(REPLACE ";" " " got "${shown}")
  string(REPLACE ";" " " want "${expected}")
  list(APPEND problems "exports [${got}], expected exactly [${want}]")
endif()

if(NOT imports)
  list(APPEND problems "no import table found (is this a DLL?)")
endif()
foreach(name IN LISTS imports)
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST system_dlls AND NOT lower MATCHES "^api-ms-win-crt-[a-z0-9-]+\\.dll$")
    list(APPEND problems "imports non-system DLL ${name}")
  endif()
endforeach()

string(REPLACE ";" " " imported "${imports}")
if(problems)
  string(REPLACE ";" "\n  " report "${problems}")
  message(FATAL_ERROR "${DLL}:\n  ${report}\n  (imports: ${imported})")
endif()
message(STATUS "${DLL}: exports exactly the expected names; imports only ${imported}")
