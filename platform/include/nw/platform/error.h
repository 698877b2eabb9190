#pragma once
// Errors that travel up the call chain to the routine that serves the user's action.
// Each carries a number and a description, shown together as "<number><description>".
#include <stdexcept>
#include <string>

namespace nw {

namespace err {
constexpr int Overflow = 6;           // a number does not fit its field
constexpr int OutOfMemory = 7;
constexpr int LibraryLoad = 48;       // a shared library could not be loaded
constexpr int FileNotFound = 53;
constexpr int InputPastEnd = 62;
constexpr int PermissionDenied = 70;
constexpr int PathAccess = 75;        // path or file access error
constexpr int DeviceIo = 57;          // the disk refused a write (disk full and the like)
constexpr int EntryPointNotFound = 453;
constexpr int NetworkFailure = 35764; // the page fetch failed (no connection, time-out, bad address)
}  // namespace err

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(int number, std::string description);
    int number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    // What a message box shows: the number in decimal followed directly by the description.
    std::string report() const;

private:
    int number_;
    std::string description_;
};

// The standard description of a number, optionally followed by a detail (a file, a routine).
RuntimeError makeError(int number, const std::string& detail = {});
// Maps an errno value of a failed file operation to the error above.
RuntimeError fileError(int errnoValue, const std::string& path);

}  // namespace nw
