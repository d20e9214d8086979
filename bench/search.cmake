# Search probes: bench_search times typing into the search field against a
# slow suggestion endpoint and a results page landing, beside the bare field;
# search_shots saves the search screen in each of its states for a look.
set(search_dir ${CMAKE_CURRENT_LIST_DIR}/search)
if(TARGET testsupport)
  foreach(name bench_search search_shots)
    add_executable(${name} ${search_dir}/${name}.cpp ${search_dir}/SearchRig.h)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/homefeed)
    target_link_libraries(${name} PRIVATE testsupport Qt6::Quick Qt6::Test)
  endforeach()
endif()
