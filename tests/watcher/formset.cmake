# The settings dialog's widget tests, offscreen, with fake mail, launch and lookup operations.
find_package(Qt6 REQUIRED COMPONENTS Test)
nw_gtest(formset_test GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/formset_test.cpp LIBS nw_watcher_ui Qt6::Test)
