#pragma once
#include <string>

namespace nw {

// Starts a command line without a shell and without waiting for the program: the line is split
// into program and arguments as a desktop launcher does (quotes group words). The program is
// asked to start minimized where the desktop allows it. Throws RuntimeError when nothing starts
// (empty line, no such file, not executable).
void startProgram(const std::string& commandLine);

}  // namespace nw
