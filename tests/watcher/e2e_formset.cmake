# The settings dialog in the real watcher on Xvfb, with SMTP and HTTP servers on loopback.
if(TARGET Netwarden)
  nw_script_test(formset_e2e e2e_formset.sh TIMEOUT 180)
  set_tests_properties(formset_e2e PROPERTIES SKIP_RETURN_CODE 77)
endif()
