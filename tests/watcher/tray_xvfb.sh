#!/bin/bash
# The tray residency tests on a real X display: first with no tray host, then under trayer.
source "$NW_FIXTURES/xsession.sh"
nw_start_x
"$NW_BIN/tray_test" --gtest_filter='NoTray*' || nw_fail "tray tests without a tray host"
nw_start_tray
NW_EXPECT_TRAY=1 "$NW_BIN/tray_test" --gtest_filter='Tray*:-Tray.LosingTheTrayHost*' || nw_fail "tray tests with a tray host"
# Last, as it ends the tray host: the window comes back when the tray goes away.
NW_EXPECT_TRAY=1 NW_TRAYER_PID=${NW_PIDS[-1]} "$NW_BIN/tray_test" --gtest_filter='Tray.LosingTheTrayHost*' \
    || nw_fail "the window did not come back when the tray host ended"
echo "tray tests passed on X"
