# Install rules for the Linux programs, and the Debian package (CPack DEB).
# The documentation goes where Debian looks for a package's own: share/doc/orlin.
set(CMAKE_INSTALL_DOCDIR share/doc/orlin CACHE PATH "Documentation (share/doc/orlin)")
include(GNUInstallDirs)

# The programs a user runs. orlin-card, which draws the status card for the
# documentation's pictures, stays in the build tree.
install(TARGETS orlin-phone orlin-setup orlin-view orlin-regsvr orlin-codec
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# liborlin.so is registered by its path and loaded by it (dlopen), never
# linked: a private module in a folder of its own, with no soname links, and
# not executable. On a multiarch system that folder sits in the architecture's
# library folder (lib/x86_64-linux-gnu/orlin), where private modules go and
# the loader's cache never looks, so the package needs no ldconfig calls.
if(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR STREQUAL "lib")
  set(ORLIN_FILTER_LIBRARY_DIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/orlin)
else()
  set(ORLIN_FILTER_LIBRARY_DIR ${CMAKE_INSTALL_LIBDIR}/orlin)
endif()
install(TARGETS orlin_dll LIBRARY DESTINATION ${ORLIN_FILTER_LIBRARY_DIR}
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# The programs find it from their own folder, wherever the tree is unpacked.
cmake_path(SET orlin_bin_dir NORMALIZE "${CMAKE_INSTALL_FULL_BINDIR}")
cmake_path(SET orlin_library_dir NORMALIZE "${CMAKE_INSTALL_PREFIX}/${ORLIN_FILTER_LIBRARY_DIR}")
cmake_path(RELATIVE_PATH orlin_library_dir BASE_DIRECTORY "${orlin_bin_dir}"
           OUTPUT_VARIABLE orlin_library_from_bin)
target_compile_definitions(orlin_filter_library_path PRIVATE
                           ORLIN_FILTER_LIBRARY_FROM_BIN="${orlin_library_from_bin}")

# README.md's links into docs/ keep working beside it.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

# The Debian package: packaging/deb/build runs CPack over these rules.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orlin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns a camera into a webcam for a PC")
# CPack puts the summary first; the rest is the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "orlin-phone captures a camera (a V4L2 webcam, a Y4M file or a test picture)
and streams its frames over UDP, raw or compressed. On the PC, orlin-setup
takes the phone's video format and registers Orlin Camera, a DirectShow video
capture source filter; orlin-view opens that camera and shows the stream in a
window, records it, or passes it on to a V4L2 loopback device.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orlin developers")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends from what the programs and the library link (dpkg-shlibdeps). No
# maintainer scripts: installing and removing only adds and takes away files.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
