#!/bin/bash
# The tray residency tests on a real X display: first with no tray host, then under trayer.
source "$NW_FIXTURES/xsession.sh"
nw_start_x
"$NW_BIN/tray_test" --gtest_filter='NoTray*' || nw_fail "tray tests without a tray host"
nw_start_tray
NW_EXPECT_TRAY=1 "$NW_BIN/tray_test" --gtest_filter='Tray*' || nw_fail "tray tests with a tray host"
echo "tray tests passed on X"
