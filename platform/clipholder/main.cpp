// nw-clipholder TEXT: owns the X clipboard with TEXT until another program sets the clipboard,
// then ends. The one-shot tools start it just before they end, so that what they copied stays.
#include <xcb/xcb.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

namespace {

xcb_atom_t clipboardAtom(xcb_connection_t* c) {
    auto cookie = xcb_intern_atom(c, 0, 9, "CLIPBOARD");
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
    xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

xcb_window_t selectionOwner(xcb_connection_t* c, xcb_atom_t atom) {
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom), nullptr);
    xcb_window_t owner = reply ? reply->owner : static_cast<xcb_window_t>(XCB_WINDOW_NONE);
    free(reply);
    return owner;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (argc < 2) return 2;
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) return 2;
    xcb_connection_t* c = x11->connection();
    const xcb_atom_t atom = clipboardAtom(c);

    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QString::fromLocal8Bit(argv[1]), QClipboard::Clipboard);
    const xcb_window_t mine = selectionOwner(c, atom);
    if (mine == XCB_WINDOW_NONE) return 1;

    // Qt may not hear of every take-over (it drops some by their time stamps), so the server is
    // asked who owns the clipboard as well.
    QObject::connect(clipboard, &QClipboard::changed, &app, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard()) QCoreApplication::quit();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [c, atom, mine] {
        if (selectionOwner(c, atom) != mine) QCoreApplication::quit();
    });
    poll.start(250);
    // The X server going away also ends the program.
    return app.exec();
}
