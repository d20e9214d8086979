# nimbelora_test(<name> LAYER <layer> SOURCES ... [LIBS ...])
# One QtTest executable per topic, labelled with its layer (ctest -L <layer>).
function(nimbelora_test name)
  cmake_parse_arguments(T "" "LAYER" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE testsupport ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS "${T_LAYER}"
    TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_QUICK_BACKEND=software;QTWEBENGINE_DISABLE_SANDBOX=1")
endfunction()
