# Player probe: player_shots saves the open player while it is touched (badge,
# heads-up displays, dimmed window, options menu, lock) for a look by eye.
add_executable(player_shots ${CMAKE_CURRENT_LIST_DIR}/player/player_shots.cpp)
target_link_libraries(player_shots PRIVATE app ${NIMBELORA_QML_PLUGINS} Qt6::Test)
# bench_playergestures compares the cost of a pointer move of a pan that
# scrubs with one of a drag on the seek bar.
add_executable(bench_playergestures ${CMAKE_CURRENT_LIST_DIR}/player/bench_playergestures.cpp)
target_include_directories(bench_playergestures PRIVATE ${CMAKE_CURRENT_LIST_DIR}/homefeed)
target_link_libraries(bench_playergestures PRIVATE testsupport Qt6::Quick Qt6::Test)
# Player sheet probes, on the whole app: details_shots saves the details,
# queue, comments, statistics and share views in both themes for a look;
# bench_details times opening the player over 200 related videos and the
# comments sheet over 500 comments against the same with empty lists.
set(player_bench_dir ${CMAKE_CURRENT_LIST_DIR}/player)
if(TARGET testsupport AND TARGET app)
  foreach(name details_shots bench_details)
    add_executable(${name} ${player_bench_dir}/${name}.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/librarytab ${CMAKE_CURRENT_LIST_DIR}/homefeed)
    target_link_libraries(${name} PRIVATE testsupport app appplugin Qt6::Quick Qt6::Test)
  endforeach()
endif()
