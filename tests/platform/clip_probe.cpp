// Copies its argument to the clipboard, hands it over and ends: what a one-shot tool does.
#include <QApplication>

#include "clipboard.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    nw::gui::clipboardSetText(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    nw::gui::keepClipboardAfterExit();
    return 0;
}
