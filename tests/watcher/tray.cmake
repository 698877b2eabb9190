# Tray residency: offscreen (no tray host there), then on a private X display without and with
# a tray host.
nw_gtest(tray_test GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/tray_test.cpp LIBS nw_watcher_ui)
nw_script_test(tray_xvfb tray_xvfb.sh TIMEOUT 120)
