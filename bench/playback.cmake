# The bare libmpv both playback benches hold the app against.
add_library(barevideo STATIC ${CMAKE_CURRENT_LIST_DIR}/BareVideo.cpp ${CMAKE_CURRENT_LIST_DIR}/BareVideo.h)
target_link_libraries(barevideo PUBLIC Qt6::Quick PkgConfig::MPV)

# bench_playback: the start of playback against bare libmpv, the store alone
# or (--ui) a tap in the whole app to the first picture in its window.
nimbelora_bench(bench_playback
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_playback.cpp ${CMAKE_CURRENT_LIST_DIR}/bench_playback_ui.cpp
  LIBS testsupport app appplugin barevideo Qt6::Quick Qt6::Test)
if(TARGET bench_playback)
  target_include_directories(bench_playback PRIVATE ${CMAKE_CURRENT_LIST_DIR}/librarytab)
endif()
# bench_playframes: while a video plays in the app (the full player, home and
# the library tab with the mini player, picture in picture), how often its
# windows draw against the video's frame rate, its CPU against a bare Qt Quick
# window playing the same stream through libmpv, frame intervals and memory.
if(TARGET testsupport AND TARGET app)
  add_executable(bench_playframes ${CMAKE_CURRENT_LIST_DIR}/bench_playframes.cpp)
  target_link_libraries(bench_playframes PRIVATE testsupport app ${NIMBELORA_QML_PLUGINS} barevideo Qt6::Quick
                        Qt6::Test)
endif()
