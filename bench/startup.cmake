# Whole-program start-up probe: bench_startup runs startup_app (the app with a
# first-frame hook) and startup_bare (a bare Qt Quick window) and compares them.
set(startup_dir ${CMAKE_CURRENT_LIST_DIR}/startup)

add_executable(startup_app ${startup_dir}/startup_app.cpp)
target_include_directories(startup_app PRIVATE ${startup_dir})
target_link_libraries(startup_app PRIVATE app ${NIMBELORA_QML_PLUGINS})

add_executable(startup_bare ${startup_dir}/startup_bare.cpp)
target_include_directories(startup_bare PRIVATE ${startup_dir})
target_link_libraries(startup_bare PRIVATE Qt6::Gui Qt6::Qml Qt6::Quick)

add_executable(bench_startup ${startup_dir}/bench_startup.cpp)
target_include_directories(bench_startup PRIVATE ${startup_dir})
target_link_libraries(bench_startup PRIVATE testsupport Qt6::Quick)
add_dependencies(bench_startup startup_app startup_bare)
