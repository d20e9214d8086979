# Library tab probes: librarytab_shots saves the library tab and its screens
# (light and dark) for a look; pagebar_shots walks every tab and pushed
# screen, scrolled to the bottom; bench_librarytab times a long liked list and
# the tab over a long history and queue; feedstates_shots saves the home feed,
# search results, a channel page and an account list in each load state.
set(librarytab_dir ${CMAKE_CURRENT_LIST_DIR}/librarytab)
if(TARGET testsupport AND TARGET app)
  foreach(name librarytab_shots pagebar_shots bench_librarytab feedstates_shots)
    add_executable(${name} ${librarytab_dir}/${name}.cpp ${librarytab_dir}/LibraryRig.h)
    target_include_directories(${name} PRIVATE ${librarytab_dir} ${CMAKE_CURRENT_LIST_DIR}/homefeed)
    target_link_libraries(${name} PRIVATE testsupport app appplugin Qt6::Quick Qt6::Test)
  endforeach()
endif()
