#pragma once
#include <QString>

namespace nw::gui {

// Empties the clipboard.
void clipboardClear();
// Empties the clipboard, then puts `text` on it as plain text.
void clipboardSetText(const QString& text);
// For one-shot programs, before they end: on a real X display the clipboard text is handed to
// a small background holder, which serves it until another program sets the clipboard, so the
// text survives the program's exit. Returns at once where there is nothing to hand over.
void keepClipboardAfterExit();

}  // namespace nw::gui
