# 1staddrclip end to end: a private network and display, the clipboard read after the end.
nw_script_test(1staddrclip_e2e 1staddrclip.sh TIMEOUT 120)
set_tests_properties(1staddrclip_e2e PROPERTIES SKIP_RETURN_CODE 77)
