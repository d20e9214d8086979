# Checked builds run several times slower.
set(nimbelora_test_timeout 180)
if(NIMBELORA_SANITIZE)
  set(nimbelora_test_timeout 900)
endif()
# The factor that stretches the tests' own time-outs (tests/support/TestTime.h)
# stretches this one too, as scripts/test sets it when it configures: a slow
# test then fails on its own wait, with its message, not on ctest's limit.
set(nimbelora_time_factor "$ENV{NIMBELORA_TEST_TIME_FACTOR}")
if(nimbelora_time_factor MATCHES "^[0-9]+$" AND nimbelora_time_factor GREATER 1)
  math(EXPR nimbelora_test_timeout "${nimbelora_test_timeout} * ${nimbelora_time_factor}")
endif()

find_program(NIMBELORA_DBUS_RUN_SESSION dbus-run-session)

# nimbelora_test(<name> LAYER <layer> SOURCES ... [LIBS ...] [OWN_BUS])
# One QtTest executable per topic, labelled with its layer (ctest -L <layer>).
# Each test gets a HOME of its own, so the test-mode data and cache folders of
# tests running side by side never meet. OWN_BUS: the test claims well-known
# names on the session bus (MPRIS, the single-instance service, fake desktop
# services), so it runs on a session bus of its own, beside the others;
# without dbus-run-session such tests take turns on the one bus instead.
function(nimbelora_test name)
  cmake_parse_arguments(T "OWN_BUS" "LAYER" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE testsupport ${T_LIBS})
  nimbelora_reuse_pch(${name} testsupport)
  if(T_OWN_BUS AND NIMBELORA_DBUS_RUN_SESSION)
    add_test(NAME ${name} COMMAND ${NIMBELORA_DBUS_RUN_SESSION} -- $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
    if(T_OWN_BUS)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK session_bus_names)
    endif()
  endif()
  set(home ${CMAKE_BINARY_DIR}/testhome/${name})
  file(MAKE_DIRECTORY ${home})
  set_tests_properties(${name} PROPERTIES
    LABELS "${T_LAYER}"
    TIMEOUT ${nimbelora_test_timeout}
    ENVIRONMENT "HOME=${home};QT_QPA_PLATFORM=offscreen;QT_QUICK_BACKEND=software;QTWEBENGINE_DISABLE_SANDBOX=1;NIMBELORA_AUDIO=null")
endfunction()
