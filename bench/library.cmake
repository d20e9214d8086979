nimbelora_bench(bench_library
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_library.cpp
  LIBS library libraryplugin testsupport)
