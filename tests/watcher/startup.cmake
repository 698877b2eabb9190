# The watcher's start-up: the load of the main window, its boxes and Copy buttons.
if(TARGET nw_watcher_ui)
  nw_gtest(watcher_startup_test GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_test.cpp LIBS nw_watcher_ui)
endif()
