# Player sheet probes: player_shots saves the details, queue, comments, stats
# and share views in both themes for a look; bench_details times the first
# frame of long related and comments lists against empty ones.
set(player_bench_dir ${CMAKE_CURRENT_LIST_DIR}/player)
if(TARGET testsupport)
  foreach(name player_shots bench_details)
    add_executable(${name} ${player_bench_dir}/${name}.cpp ${player_bench_dir}/PlayerSheetRig.h)
    target_include_directories(${name} PRIVATE ${player_bench_dir})
    target_link_libraries(${name} PRIVATE testsupport Qt6::Quick Qt6::Test)
  endforeach()
endif()
