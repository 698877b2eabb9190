# The about window and the registry it reads.
if(TARGET nw_watcher_ui)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  nw_gtest(watcher_about_test GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/about_test.cpp LIBS nw_watcher_ui Qt6::Test)
  target_compile_definitions(watcher_about_test PRIVATE NW_TEST_VERSION="${PROJECT_VERSION}")
endif()
