# Home feed probe: bench_homefeed times showing and scrolling a 500-video home
# feed offscreen; homefeed_shots saves the home screen in its loading, failed
# and context-menu states for a look.
set(homefeed_dir ${CMAKE_CURRENT_LIST_DIR}/homefeed)
if(TARGET testsupport)
  foreach(name bench_homefeed homefeed_shots)
    add_executable(${name} ${homefeed_dir}/${name}.cpp ${homefeed_dir}/HomeRig.h)
    target_include_directories(${name} PRIVATE ${homefeed_dir})
    target_link_libraries(${name} PRIVATE testsupport Qt6::Quick Qt6::Test)
  endforeach()
endif()
