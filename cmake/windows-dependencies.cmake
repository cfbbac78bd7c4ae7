# What the Windows cross-build takes from the build machine. CLI11 and nlohmann-json are
# header-only; their Debian configs would put all of /usr/include (the Linux C library's
# headers too) on the include path, so only their own folders are linked into the build tree.
set(VELKARO_HOST_HEADERS ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${VELKARO_HOST_HEADERS})
foreach(folder CLI nlohmann)
    if(NOT EXISTS /usr/include/${folder})
        message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/build-windows.sh")
    endif()
    file(CREATE_LINK /usr/include/${folder} ${VELKARO_HOST_HEADERS}/${folder} SYMBOLIC)
endforeach()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${VELKARO_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${VELKARO_HOST_HEADERS})

# GoogleTest, built from Debian's sources for the target.
set(VELKARO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${VELKARO_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Test discovery runs the test programs through wine: at test time, once the test run has made
# its wine prefix, rather than at build time.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
