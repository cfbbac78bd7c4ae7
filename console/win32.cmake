# The window on Win32: the dialog layer's Win32 backend, Velkaro.exe with its resources, and
# the window tests, run under wine.
enable_language(RC)

target_sources(velkaro_console PRIVATE
    dialog/win32/busy_cursor.cpp
    dialog/win32/clipboard.cpp
    dialog/win32/close_on_stop.cpp
    dialog/win32/controls.cpp
    dialog/win32/dialog.cpp
    dialog/win32/dialog_template.cpp
    dialog/win32/emphasis.cpp
    dialog/win32/file_dialog.cpp
    dialog/win32/menu.cpp
    dialog/win32/message_box.cpp
    dialog/win32/paint_dc.cpp
    dialog/win32/text_fit.cpp
    dialog/win32/win_app.cpp
    dialog/win32/window_thread.cpp
    dialog/win32/wnd.cpp
)
# The wide (UTF-16) forms of Windows' functions throughout.
target_compile_definitions(velkaro_console PUBLIC UNICODE _UNICODE)
target_link_libraries(velkaro_console PUBLIC comctl32 comdlg32)

# Icon, version information and manifest; the test program carries them too, since the About
# box shows the icon and the list view needs the common controls the manifest asks for.
set(VELKARO_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/res/velkaro.rc)

add_executable(Velkaro WIN32 main.cpp ${VELKARO_RESOURCE_SCRIPT})
target_link_libraries(Velkaro PRIVATE velkaro_console)
install(TARGETS Velkaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

add_executable(console_win32_test
    acceptance_cases_test.cpp
    acceptance_driver_win32.cpp
    language_test.cpp
    log_record_cases_test.cpp
    main_window_cases_test.cpp
    main_window_driver_win32.cpp
    win32_acceptance_test.cpp
    win32_test_main.cpp
    win32_port_list_test.cpp
    win32_window_test.cpp
    ${VELKARO_RESOURCE_SCRIPT}
)
target_link_libraries(console_win32_test PRIVATE velkaro_console GTest::gtest)
# The acceptance test runs velkaro-cli.exe from beside it on the same kind of bus.
add_dependencies(console_win32_test velkaro-cli)
gtest_discover_tests(console_win32_test TEST_PREFIX console_win32. PROPERTIES TIMEOUT 120)

# The README's pictures of the window after a session and of the acceptance dialog after a run
# (scripts/screenshot-windows.sh).
add_executable(session_screenshot session_screenshot.cpp)
target_link_libraries(session_screenshot PRIVATE velkaro_console gdi32)
add_executable(acceptance_screenshot acceptance_screenshot_win32.cpp)
target_link_libraries(acceptance_screenshot PRIVATE velkaro_console gdi32)
