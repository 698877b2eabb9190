#include "clipboard.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>

#include "nw/platform/folder.h"

namespace nw::gui {

namespace {
// How long a program waits for the holder to take the clipboard over before it ends anyway.
constexpr int kHandOverMs = 3000;
constexpr const char* kHolderName = "nw-clipholder";
}  // namespace

void clipboardClear() { QGuiApplication::clipboard()->clear(QClipboard::Clipboard); }

void clipboardSetText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear(QClipboard::Clipboard);
    clipboard->setText(text, QClipboard::Clipboard);
}

void keepClipboardAfterExit() {
    // On X11 the text goes away with its owner. Offscreen (and elsewhere) nothing outlives us.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->ownsClipboard()) return;

    QProcess holder;
    holder.setProgram(QString::fromStdString(inProgramFolder(kHolderName)));
    holder.setArguments({clipboard->text(QClipboard::Clipboard)});
    // Null channels: a holder that inherited ours would keep a reader of our output waiting.
    holder.setStandardInputFile(QProcess::nullDevice());
    holder.setStandardOutputFile(QProcess::nullDevice());
    holder.setStandardErrorFile(QProcess::nullDevice());
    if (!holder.startDetached()) return;

    // Wait (bounded) until the holder owns the clipboard, so the text is never missing.
    QDeadlineTimer deadline(kHandOverMs);
    while (clipboard->ownsClipboard() && !deadline.hasExpired()) {
        QEventLoop loop;
        QObject::connect(clipboard, &QClipboard::changed, &loop, &QEventLoop::quit);
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

}  // namespace nw::gui
