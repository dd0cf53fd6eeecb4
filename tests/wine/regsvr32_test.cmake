# Registers Orlin.dll with Wine's own regsvr32, as a user would, checks that the
# camera is listed, unregisters it with regsvr32 /u and checks that it is gone.
#   cmake -DRUN=<wine-run.sh> -DDLL=<Orlin.dll> -DCHECK=<camera_listed.exe> -P regsvr32_test.cmake
# ORLIN_WINEPREFIX names the Wine prefix.
string(REPLACE "/" "\\" dll "Z:${DLL}")

function(step)
  execute_process(COMMAND ${RUN} ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message("${ARGN}: exit ${result}\n${out}${err}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}")
  endif()
endfunction()

step(regsvr32 /s ${dll})
step(${CHECK} --gtest_filter=Registered.*)
step(regsvr32 /u /s ${dll})
step(${CHECK} --gtest_filter=Unregistered.*)
