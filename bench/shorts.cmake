# Shorts probes: bench_shorts pages through 200 Shorts offscreen and reports
# the delegates alive, the time of each page change and the memory;
# shorts_shots saves the Shorts screen playing, paused, loading and failed,
# and the window on the Shorts tab with the share sheet of "Enviar".
set(shorts_dir ${CMAKE_CURRENT_LIST_DIR}/shorts)
if(TARGET testsupport)
  foreach(name bench_shorts shorts_shots)
    add_executable(${name} ${shorts_dir}/${name}.cpp ${shorts_dir}/ShortsRig.h)
    target_include_directories(${name} PRIVATE ${shorts_dir} ${CMAKE_CURRENT_LIST_DIR}/homefeed)
    target_link_libraries(${name} PRIVATE testsupport Qt6::Quick Qt6::Test)
  endforeach()
  # The window shot needs the app's root view.
  target_link_libraries(shorts_shots PRIVATE app appplugin)
endif()
