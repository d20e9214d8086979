nimbelora_bench(bench_links SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_links.cpp LIBS foundation)
