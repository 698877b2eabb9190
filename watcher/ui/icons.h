#pragma once
// The watcher's two icons: the window's own and the distinct one shown in the tray.
#include <QIcon>

namespace nw::ui {

QIcon windowIcon();
QIcon trayIcon();

}  // namespace nw::ui
