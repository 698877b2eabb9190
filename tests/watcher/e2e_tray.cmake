# The watcher end to end in the tray: a lookup page and an SMTP server on loopback, Xvfb, trayer.
nw_script_test(e2e_tray e2e_tray.sh TIMEOUT 180)
