# Settings probes: settings_shots saves the settings and the screens it
# opens (light and dark) for a look; bench_stats times one evaluation of the
# viewing statistics over 300 and 5,000 history entries.
set(settings_dir ${CMAKE_CURRENT_LIST_DIR}/settings)
if(TARGET testsupport AND TARGET app)
  foreach(name settings_shots bench_stats)
    add_executable(${name} ${settings_dir}/${name}.cpp)
    target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/librarytab ${CMAKE_CURRENT_LIST_DIR}/homefeed)
    target_link_libraries(${name} PRIVATE testsupport app appplugin Qt6::Quick Qt6::Test)
  endforeach()
endif()
