# subs_shots saves the subscriptions tab, its manager and channel pages, in
# light and dark, inside the whole root view, for a look by eye.
if(TARGET testsupport)
  add_executable(subs_shots ${CMAKE_CURRENT_LIST_DIR}/subscriptions/subs_shots.cpp)
  target_include_directories(subs_shots PRIVATE ${CMAKE_CURRENT_LIST_DIR}/homefeed)
  target_link_libraries(subs_shots PRIVATE testsupport app appplugin Qt6::Quick Qt6::Test)
endif()
