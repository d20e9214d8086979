# Player probe: player_shots saves the open player while it is touched (badge,
# heads-up displays, dimmed window, options menu, lock) for a look by eye.
add_executable(player_shots ${CMAKE_CURRENT_LIST_DIR}/player/player_shots.cpp)
target_link_libraries(player_shots PRIVATE app ${NIMBELORA_QML_PLUGINS} Qt6::Test)
# bench_playergestures compares the cost of a pointer move of a pan that
# scrubs with one of a drag on the seek bar.
add_executable(bench_playergestures ${CMAKE_CURRENT_LIST_DIR}/player/bench_playergestures.cpp)
target_include_directories(bench_playergestures PRIVATE ${PROJECT_SOURCE_DIR}/tests/player)
target_link_libraries(bench_playergestures PRIVATE testsupport Qt6::Quick Qt6::Test)
