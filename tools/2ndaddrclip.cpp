// 2ndaddrclip: puts the address that the host address library gives for this computer's host
// name on the clipboard, shows it in a message box and ends. When the library reports failure
// the clipboard is left holding empty text and the box is empty. When the library or its export
// is missing, the error is reported and the program ends with status 1, clipboard untouched.
#include <QApplication>
#include <QString>
#include <cstdio>

#include "client.h"
#include "clipboard.h"
#include "messagebox.h"
#include "nw/platform/error.h"
#include "nw/platform/ui.h"

namespace {

// The library's address, or empty text when it reports failure; throws when it is missing.
std::string GetIP() { return nw::LibraryAddress(); }

// Empties the clipboard, then puts the text on it as plain text.
void S(const std::string& text) { nw::gui::clipboardSetText(QString::fromStdString(text)); }

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nw::setProgramTitle("2ndaddrclip");
    nw::gui::installMessageBoxes();

    nw::doEvents();
    std::string address;
    try {
        address = GetIP();
    } catch (const nw::RuntimeError& e) {
        std::fprintf(stderr, "2ndaddrclip: %s\n", e.report().c_str());
        nw::messageBox(e.report());
        return 1;
    }
    nw::doEvents();
    S(address);
    nw::doEvents();
    nw::messageBox(address);
    nw::doEvents();

    nw::gui::keepClipboardAfterExit();
    return 0;
}
