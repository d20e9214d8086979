nimbelora_bench(bench_playback
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_playback.cpp
  LIBS playback playbackplugin testsupport PkgConfig::MPV)
# bench_playframes: while a video plays in the app (the full player, home and
# the library tab with the mini player, picture in picture), how often its
# windows draw against the video's frame rate, its CPU against a bare Qt Quick
# window playing the same stream through libmpv, frame intervals and memory.
if(TARGET testsupport AND TARGET app)
  add_executable(bench_playframes ${CMAKE_CURRENT_LIST_DIR}/bench_playframes.cpp)
  target_link_libraries(bench_playframes PRIVATE testsupport app ${NIMBELORA_QML_PLUGINS} Qt6::Quick Qt6::Test
                        PkgConfig::MPV)
endif()
