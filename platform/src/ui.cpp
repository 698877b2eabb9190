#include "nw/platform/ui.h"

#include <QCoreApplication>
#include <cstdio>

namespace nw {

namespace {
MessageBoxHandler& handler() {
    static MessageBoxHandler h;
    return h;
}
std::string& title() {
    static std::string t = "Netwarden";
    return t;
}
}  // namespace

void messageBox(const std::string& text, const std::string& caption) {
    const std::string& shown = caption.empty() ? programTitle() : caption;
    if (handler()) {
        handler()(shown, text);
    } else {
        std::fprintf(stderr, "[%s] %s\n", shown.c_str(), text.c_str());
    }
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h) {
    MessageBoxHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

const std::string& programTitle() { return title(); }
void setProgramTitle(const std::string& t) { title() = t; }

void doEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

}  // namespace nw
