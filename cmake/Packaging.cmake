# Install rules and the Debian package. `cmake --install` puts the two programs in bin/
# and libasfbridge.so in the library folder; the programs carry the RUNPATH
# $ORIGIN/../<libdir>, so the writer library's lookup (beside the executable, then the
# system's library search, which honours the calling program's RUNPATH) finds it wherever
# the tree is installed. The desktop entry and the icons follow the freedesktop layout.
include(GNUInstallDirs)

set(zentar_programs zentar-convert)
if(TARGET zentar-converter)
  list(APPEND zentar_programs zentar-converter)
endif()
# Linked with it already (the build tree's copy finds the library beside itself first), so
# installing needs no RUNPATH rewrite.
set_target_properties(${zentar_programs} PROPERTIES
  INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}" BUILD_WITH_INSTALL_RPATH ON)
install(TARGETS ${zentar_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS asfbridge LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)

if(TARGET zentar-converter)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/zentar-converter.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 32 48 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/zentar-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
      RENAME zentar-converter.png)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentar-converter)
set(CPACK_PACKAGE_VENDOR "Zentar")
set(CPACK_PACKAGE_CONTACT "Zentar developers <zentar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Video converter with scene-change detection")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# The shared libraries the binaries link, found by dpkg-shlibdeps; ffprobe is not needed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
