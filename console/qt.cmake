# The window on Qt Widgets: the dialog layer's Qt backend, the executable, the window tests
# (offscreen).
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)

target_sources(velkaro_console PRIVATE
    dialog/qt/clipboard.cpp
    dialog/qt/close_on_stop.cpp
    dialog/qt/controls.cpp
    dialog/qt/dialog.cpp
    dialog/qt/dialog_builder.cpp
    dialog/qt/file_dialog.cpp
    dialog/qt/icon.cpp
    dialog/qt/line_store.cpp
    dialog/qt/list_box_view.cpp
    dialog/qt/menu.cpp
    dialog/qt/message_box.cpp
    dialog/qt/paint_dc.cpp
    dialog/qt/report_view.cpp
    dialog/qt/runtime_dir.cpp
    dialog/qt/text_fit.cpp
    dialog/qt/widget_binding.cpp
    dialog/qt/win_app.cpp
    dialog/qt/window_thread.cpp
    dialog/qt/wnd.cpp
)
target_link_libraries(velkaro_console PUBLIC Qt6::Widgets)
qt_add_resources(velkaro_console velkaro_icons
    PREFIX /res
    BASE ${PROJECT_SOURCE_DIR}/res
    FILES ${PROJECT_SOURCE_DIR}/res/velkaro.ico)

add_executable(Velkaro main.cpp)
target_link_libraries(Velkaro PRIVATE velkaro_console)
install(TARGETS Velkaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

add_executable(console_test
    log_record_cases_test.cpp
    main_window_cases_test.cpp
    main_window_driver_qt.cpp
    acceptance_cases_test.cpp
    acceptance_driver_qt.cpp
    console_test_main.cpp
    data_exchange_test.cpp
    dialog_layer_test.cpp
    handlers_test.cpp
    language_test.cpp
    close_on_stop_test.cpp
    list_box_test.cpp
    log_record_test.cpp
    port_list_test.cpp
    velkaro_dlg_test.cpp
)
target_link_libraries(console_test PRIVATE velkaro_console velkaro_nodesim Qt6::Test GTest::gtest)
# The acceptance dialog's reports are compared with the command line's for an equal bus.
target_compile_definitions(console_test PRIVATE VELKARO_CLI_PATH="$<TARGET_FILE:velkaro-cli>")
add_dependencies(console_test velkaro-cli)
gtest_discover_tests(console_test TEST_PREFIX console.
                     PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120)

# The README's picture of the acceptance dialog after a run with failures.
add_executable(acceptance_screenshot acceptance_screenshot.cpp)
target_link_libraries(acceptance_screenshot PRIVATE velkaro_console velkaro_nodesim)

# The window as a process, stopped by signals.
add_executable(window_process_test window_process_test.cpp)
target_include_directories(window_process_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(window_process_test PRIVATE GTest::gtest_main)
target_compile_definitions(window_process_test PRIVATE VELKARO_WINDOW_PATH="$<TARGET_FILE:Velkaro>")
add_dependencies(window_process_test Velkaro)
gtest_discover_tests(window_process_test TEST_PREFIX console. PROPERTIES TIMEOUT 120)

# Pictures of the three dialogs as they open, in either language.
add_executable(window_screenshot window_screenshot.cpp)
target_link_libraries(window_screenshot PRIVATE velkaro_console)
