# Install rules for the Windows programs: Orlin.dll, OrlinSetup.exe (64-bit
# only: the one setup program writes the format both cameras read and
# registers the DLL beside it) and the documents, all at the root of the
# prefix, as the installer lays each bitness's folder out. Only the programs
# go: not the DLL's import library, nor any test.
install(FILES $<TARGET_FILE:orlin_dll> DESTINATION .)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  install(FILES $<TARGET_FILE:orlin_setup_exe> DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs FILES_MATCHING PATTERN "*.md" PATTERN "*.png")
endif()
