# The Debian package: the three programs, the desktop entry and the icons that the install
# rules lay out, with the dependencies that dpkg-shlibdeps reads off the programs.
set(VELKARO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/velkaro)

# Debian wants the changelog of a native package gzipped without a time stamp.
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/packaging/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
    VERBATIM)
add_custom_target(velkaro_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${VELKARO_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velkaro developers")
set(CPACK_PACKAGE_CONTACT "Velkaro developers <velkaro@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bench tool for the door-lock control bus of parcel lockers")
set(CPACK_PACKAGE_DESCRIPTION
    "From one window a technician polls the lock state of every node on the\n\
bus, unlocks them all in one paced broadcast, and queries or unlocks a\n\
single node, with every frame and reply in the log. velkaro-cli runs the\n\
same operations from a script, and velkaro-nodesim plays the nodes on a\n\
pseudo-terminal for trying it without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The window's texts are Chinese; any of these fonts shows them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
include(CPack)
