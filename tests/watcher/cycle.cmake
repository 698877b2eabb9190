# The watch cycle, tick by tick, with fake readers and notifications.
nw_gtest(cycle_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/cycle_test.cpp LIBS nw_watcher_core)
