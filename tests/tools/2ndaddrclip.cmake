# 2ndaddrclip end to end: host names of the test's own, a working, failing and missing library.
nw_script_test(2ndaddrclip_e2e 2ndaddrclip.sh TIMEOUT 180)
set_tests_properties(2ndaddrclip_e2e PROPERTIES SKIP_RETURN_CODE 77)
