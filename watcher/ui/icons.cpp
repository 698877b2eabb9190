#include "icons.h"

// The resource file is compiled into this static library; naming it here keeps the linker from
// dropping it from the programs.
static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace nw::ui {

namespace {
QIcon loadIcon(const char* path) {
    static const bool initialized = (initIconResources(), true);
    (void)initialized;
    return QIcon(QString::fromLatin1(path));
}
}  // namespace

QIcon windowIcon() { return loadIcon(":/netwarden/netwarden.svg"); }
QIcon trayIcon() { return loadIcon(":/netwarden/netwarden-tray.svg"); }

}  // namespace nw::ui
