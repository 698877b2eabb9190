# The installed layout: one program folder, menu entries and icons.
if(TARGET Netwarden)
  nw_script_test(watcher_install e2e_install.sh TIMEOUT 120)
endif()
