# Localisation and the HUD's presenter, added to the application's logic library. The
# strings table is compiled into quenda_app (qt_add_resources on the target links the
# resource into whatever links quenda_app, so no Q_INIT_RESOURCE is needed) and also
# installed beside the program, where a replaced copy takes precedence.
target_sources(quenda_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/HudPresenter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/L10n.cpp
)
qt_add_resources(quenda_app quenda_strings
    PREFIX /quenda
    BASE ${CMAKE_CURRENT_LIST_DIR}/resources
    FILES ${CMAKE_CURRENT_LIST_DIR}/resources/strings.json
)
include(GNUInstallDirs)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/resources/strings.json
    DESTINATION ${CMAKE_INSTALL_DATADIR}/quenda)

add_executable(hud_tests
    ${CMAKE_CURRENT_LIST_DIR}/tests/HudPresenterTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/L10nStringsTableTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tests/L10nTest.cpp
)
target_link_libraries(hud_tests PRIVATE quenda_app quenda_sim GTest::gtest_main)
gtest_discover_tests(hud_tests DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit)
