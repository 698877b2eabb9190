# The watcher on a real X display, through the run command's start script.
if(TARGET Netwarden)
  nw_script_test(watcher_e2e e2e_watcher.sh TIMEOUT 180)
  set_tests_properties(watcher_e2e PROPERTIES SKIP_RETURN_CODE 77)
endif()
