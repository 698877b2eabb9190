// 1staddrclip: puts the first local address of this computer on the clipboard, shows it in a
// message box and ends. No window of its own, no settings, no arguments.
#include <QApplication>
#include <QString>

#include "clipboard.h"
#include "messagebox.h"
#include "nw/platform/localaddress.h"
#include "nw/platform/ui.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nw::setProgramTitle("1staddrclip");
    nw::gui::installMessageBoxes();

    nw::doEvents();
    const std::string address = nw::localIPv4Address();
    // Empties the clipboard, then puts the address on it as plain text.
    nw::gui::clipboardSetText(QString::fromStdString(address));
    nw::doEvents();
    // The box shows a second reading of the same address.
    nw::messageBox(nw::localIPv4Address());
    nw::doEvents();

    nw::gui::keepClipboardAfterExit();
    return 0;
}
