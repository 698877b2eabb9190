#pragma once
// A small registry of our own: keys under a few roots, each key holding named values that carry
// a type and raw bytes. Key paths are separated by "\" and, like value names, compare without
// regard to letter case. Text values are narrow (CP932) bytes, usually with a terminating zero.
//
// The store lives in memory for the run. At first use it is filled with what this machine
// offers under HKEY_LOCAL_MACHINE: "SOFTWARE\Microsoft\Shared Tools\MSINFO", value "PATH", names
// the first system-information program found on the search path (hardinfo2, hardinfo,
// kinfocenter, gnome-system-monitor, ...); the key is absent when none is installed.
#include <cstdint>
#include <string>

namespace nw {

using HKEY = std::uintptr_t;  // an open key, or one of the roots

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;

// Value types.
inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;      // text
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;   // 32-bit number, low byte first

// Access rights of an open key.
inline constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
inline constexpr uint32_t KEY_SET_VALUE = 0x0002;
inline constexpr uint32_t KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr uint32_t KEY_NOTIFY = 0x0010;
inline constexpr uint32_t KEY_CREATE_LINK = 0x0020;
inline constexpr uint32_t READ_CONTROL = 0x20000;

// Results.
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;   // no such key or value
inline constexpr long ERROR_ACCESS_DENIED = 5;    // the key was not opened with the right
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_MORE_DATA = 234;      // the value does not fit the buffer

// Opens an existing key below `root` (a root or an open key) with the rights in `samDesired`.
long RegOpenKeyExA(HKEY root, const std::string& subKey, uint32_t options, uint32_t samDesired, HKEY* result);
// Creates the key and any missing keys above it, then opens it with all rights.
long RegCreateKeyExA(HKEY root, const std::string& subKey, HKEY* result);
// Reads a value: its type to *type (when not null) and its bytes to data (when not null). *size
// holds the buffer's size on entry and the value's size on return; a value larger than the
// buffer gives ERROR_MORE_DATA and writes nothing.
long RegQueryValueExA(HKEY key, const std::string& valueName, uint32_t* type, unsigned char* data, uint32_t* size);
long RegSetValueExA(HKEY key, const std::string& valueName, uint32_t type, const unsigned char* data, uint32_t size);
// Deletes a key and everything below it.
long RegDeleteKeyA(HKEY root, const std::string& subKey);
long RegCloseKey(HKEY key);

// The system-information programs looked for, in order, and the first one installed on the
// search path (empty when none is).
const char* const* systemInfoPrograms();
std::string findSystemInfoProgram();

}  // namespace nw
