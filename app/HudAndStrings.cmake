# The HUD's presenter, added to the application's logic library. The strings table it shows
# texts from lives in quenda_core.
target_sources(quenda_app PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/HudPresenter.cpp
)

add_executable(hud_tests
    ${CMAKE_CURRENT_LIST_DIR}/tests/HudPresenterTest.cpp
)
target_link_libraries(hud_tests PRIVATE quenda_app quenda_sim GTest::gtest_main)
gtest_discover_tests(hud_tests DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit)
