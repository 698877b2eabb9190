#pragma once
// User-interface services that the widget-free logic needs: message boxes and one turn of
// the event loop. The programs install real message boxes (nw::gui); tests install their own.
#include <functional>
#include <string>

namespace nw {

// Shows an OK-only message box without an icon and waits until it is closed.
// An empty caption means the program's title.
void messageBox(const std::string& text, const std::string& caption = {});

using MessageBoxHandler = std::function<void(const std::string& caption, const std::string& text)>;
// Replaces the message box service; returns the one it replaced. Without a handler the
// message goes to standard error.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// The caption of message boxes that name none: "Netwarden", "1staddrclip", ...
const std::string& programTitle();
void setProgramTitle(const std::string& title);

// Lets the event loop process the events that are waiting, once (no-op without an application).
void doEvents();

}  // namespace nw
