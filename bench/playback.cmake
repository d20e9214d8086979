nimbelora_bench(bench_playback
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_playback.cpp
  LIBS playback playbackplugin testsupport PkgConfig::MPV)
