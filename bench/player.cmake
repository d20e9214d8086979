# Player sheet probes, on the whole app: player_shots saves the details,
# queue, comments, statistics and share views in both themes for a look;
# bench_details times opening the player over 200 related videos and the
# comments sheet over 500 comments against the same with empty lists.
set(player_bench_dir ${CMAKE_CURRENT_LIST_DIR}/player)
if(TARGET testsupport AND TARGET app)
  foreach(name player_shots bench_details)
    add_executable(${name} ${player_bench_dir}/${name}.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/librarytab ${CMAKE_CURRENT_LIST_DIR}/homefeed)
    target_link_libraries(${name} PRIVATE testsupport app appplugin Qt6::Quick Qt6::Test)
  endforeach()
endif()
