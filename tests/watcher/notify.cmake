# The notifications: the mail with its retry rules against real servers on 127.0.0.1 (the mail
# library's test servers), and the program launch.
nw_gtest(watcher_notify_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/notify_test.cpp
         LIBS nw_watcher_core nw_test_mailservers TIMEOUT 180)
add_dependencies(watcher_notify_test bsmtp)
nw_gtest(watcher_launch_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/launch_test.cpp
         LIBS nw_watcher_core nw_test_mailservers TIMEOUT 120)
