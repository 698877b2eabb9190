#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>

#include "nw/platform/ui.h"

namespace nw::gui {

void installMessageBoxes() {
    setMessageBoxHandler([](const std::string& caption, const std::string& text) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                        QMessageBox::Ok, QApplication::activeWindow());
        box.exec();
    });
}

}  // namespace nw::gui
