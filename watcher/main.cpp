// Netwarden: watches this computer's addresses and tells its owner when one changes.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "formip.h"
#include "icons.h"
#include "messagebox.h"
#include "nw/platform/ui.h"
#include "startup.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// A termination signal (the end of the session, kill, Ctrl+C) ends the program as closing the
// window does: the tray icon goes first.
void shutDownOnSignals(nw::ui::FormIP& form) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form, notifier] {
        notifier->setEnabled(false);
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_signalPipe[0], &byte, 1);
        form.Shutdown();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace

// Main: makes the address readers ready (they need no hidden form here), shows the main window
// after its load and runs the event loop until the program is ended.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Netwarden"));
    QApplication::setDesktopFileName(QStringLiteral("netwarden"));
    QApplication::setWindowIcon(nw::ui::windowIcon());
    // The window hides into the tray; only the exit command and closing the window end the run.
    QApplication::setQuitOnLastWindowClosed(false);
    nw::setProgramTitle("Netwarden");
    nw::gui::installMessageBoxes();

    nw::ui::FormIP form;
    shutDownOnSignals(form);
    form.Form_Load();
    form.show();

    const std::string problem = nw::SettingsWriteProblem();
    if (!problem.empty()) QTimer::singleShot(0, &form, [problem] { nw::messageBox(problem); });

    QApplication::exec();
    form.Shutdown();
    return 0;
}
