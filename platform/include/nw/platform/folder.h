#pragma once
#include <string>

namespace nw {

// The folder of the running executable (not the current directory), without a trailing slash.
// Settings, libraries and the receive folder are all found here.
std::string programFolder();
// programFolder() + "/" + name
std::string inProgramFolder(const std::string& name);

// Unit tests point the program folder somewhere else; empty text restores the real one.
void setProgramFolderForTesting(const std::string& folder);

}  // namespace nw
