#pragma once

namespace nw::gui {

// Makes nw::messageBox show real modal Qt message boxes: the caption, the text, one OK button,
// no icon. Needs a QApplication.
void installMessageBoxes();

}  // namespace nw::gui
