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

# Manual pages, built for the package (velkaro_manpages) and installed when built: the
# command-line programs' from their --help, so that they never disagree, the window's by hand.
set(VELKARO_MAN_DIR ${PROJECT_BINARY_DIR}/packaging/man)
configure_file(packaging/Velkaro.1.in ${VELKARO_MAN_DIR}/Velkaro.1 @ONLY)
set(VELKARO_MANPAGES ${VELKARO_MAN_DIR}/Velkaro.1.gz)
add_custom_command(
    OUTPUT ${VELKARO_MAN_DIR}/Velkaro.1.gz
    COMMAND gzip -9nkf ${VELKARO_MAN_DIR}/Velkaro.1
    DEPENDS ${VELKARO_MAN_DIR}/Velkaro.1
    VERBATIM)
function(velkaro_help2man program summary)
    add_custom_command(
        OUTPUT ${VELKARO_MAN_DIR}/${program}.1.gz
        COMMAND help2man --no-info --version-string=${PROJECT_VERSION} --name=${summary}
                --output=${VELKARO_MAN_DIR}/${program}.1 $<TARGET_FILE:${program}>
        COMMAND gzip -9nf ${VELKARO_MAN_DIR}/${program}.1
        DEPENDS ${program}
        VERBATIM)
    set(VELKARO_MANPAGES ${VELKARO_MANPAGES} ${VELKARO_MAN_DIR}/${program}.1.gz PARENT_SCOPE)
endfunction()
velkaro_help2man(velkaro-cli "the lock-control bus operations from the command line")
velkaro_help2man(velkaro-nodesim "lock-control nodes answering host frames on a pseudo-terminal")
add_custom_target(velkaro_manpages DEPENDS ${VELKARO_MANPAGES})
install(FILES ${VELKARO_MANPAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 OPTIONAL)

# The dissector of the bus trace, where Wireshark and tshark load global Lua plugins from.
install(FILES packaging/wireshark/velkaro.lua
        DESTINATION lib/${CMAKE_LIBRARY_ARCHITECTURE}/wireshark/plugins)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velkaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Velkaro developers")
set(CPACK_PACKAGE_CONTACT "Velkaro developers <velkaro@velkaro.invalid>")
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
# Reads the bus traces that --trace and the window write.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wireshark | tshark")
include(CPack)
