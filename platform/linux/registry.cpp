// The registry of this platform: an in-memory store, filled at first use with what the machine
// offers (see registry.h).
#include "nw/platform/registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "nw/platform/codepage.h"

namespace nw {

namespace {

struct Value {
    uint32_t type = REG_NONE;
    std::string bytes;
};

struct Node {
    std::map<std::string, Node> children;  // by lower-case name
    std::map<std::string, Value> values;   // by lower-case name
};

using Path = std::vector<std::string>;  // lower-case key names from the root down

struct OpenKey {
    HKEY root = 0;
    Path path;
    uint32_t rights = 0;
};

constexpr uint32_t kAllRights =
    KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK |
    READ_CONTROL;

std::string lower(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

Path split(const std::string& keyPath) {
    Path path;
    std::string part;
    for (char c : keyPath) {
        if (c == '\\') {
            if (!part.empty()) path.push_back(lower(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) path.push_back(lower(part));
    return path;
}

bool isRoot(HKEY key) { return key >= HKEY_CLASSES_ROOT && key <= HKEY_USERS; }

class Store {
public:
    std::mutex mutex;
    std::map<HKEY, Node> roots;
    std::map<HKEY, OpenKey> open;
    HKEY nextHandle = 1;

    Store() {
        const std::string tool = findSystemInfoProgram();
        if (!tool.empty()) {
            Node& key = create(HKEY_LOCAL_MACHINE, split("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"));
            Value value{REG_SZ, toSjis(tool)};
            value.bytes.push_back('\0');
            key.values["path"] = value;
        }
    }

    Node* find(HKEY root, const Path& path) {
        auto r = roots.find(root);
        if (r == roots.end()) {
            if (!isRoot(root)) return nullptr;
            r = roots.emplace(root, Node{}).first;
        }
        Node* node = &r->second;
        for (const std::string& name : path) {
            auto child = node->children.find(name);
            if (child == node->children.end()) return nullptr;
            node = &child->second;
        }
        return node;
    }

    Node& create(HKEY root, const Path& path) {
        Node* node = &roots[root];
        for (const std::string& name : path) node = &node->children[name];
        return *node;
    }

    // The root and path that `key` (a root or an open key) plus `subKey` name; false for an
    // unknown handle.
    bool resolve(HKEY key, const std::string& subKey, HKEY& root, Path& path, uint32_t* rights = nullptr) {
        if (isRoot(key)) {
            root = key;
            path.clear();
            if (rights) *rights = kAllRights;
        } else {
            auto it = open.find(key);
            if (it == open.end()) return false;
            root = it->second.root;
            path = it->second.path;
            if (rights) *rights = it->second.rights;
        }
        for (std::string& name : split(subKey)) path.push_back(std::move(name));
        return true;
    }

    // The node of the open key `key` when the key grants `right`; otherwise the error to return
    // (a key deleted while open has no node).
    long valueNode(HKEY key, uint32_t right, Node*& node) {
        HKEY root = 0;
        Path path;
        uint32_t rights = 0;
        if (!resolve(key, {}, root, path, &rights)) return ERROR_INVALID_HANDLE;
        if (!(rights & right)) return ERROR_ACCESS_DENIED;
        node = find(root, path);
        return node ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    }

    HKEY add(HKEY root, Path path, uint32_t rights) {
        const HKEY handle = nextHandle++;
        open[handle] = OpenKey{root, std::move(path), rights};
        return handle;
    }
};

Store& store() {
    static Store s;
    return s;
}

}  // namespace

long RegOpenKeyExA(HKEY root, const std::string& subKey, uint32_t options, uint32_t samDesired, HKEY* result) {
    (void)options;
    if (!result) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard lock(s.mutex);
    HKEY base = 0;
    Path path;
    if (!s.resolve(root, subKey, base, path)) return ERROR_INVALID_HANDLE;
    if (!s.find(base, path)) return ERROR_FILE_NOT_FOUND;
    *result = s.add(base, std::move(path), samDesired);
    return ERROR_SUCCESS;
}

long RegCreateKeyExA(HKEY root, const std::string& subKey, HKEY* result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard lock(s.mutex);
    HKEY base = 0;
    Path path;
    if (!s.resolve(root, subKey, base, path)) return ERROR_INVALID_HANDLE;
    s.create(base, path);
    *result = s.add(base, std::move(path), kAllRights);
    return ERROR_SUCCESS;
}

long RegQueryValueExA(HKEY key, const std::string& valueName, uint32_t* type, unsigned char* data, uint32_t* size) {
    if (data && !size) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard lock(s.mutex);
    Node* node = nullptr;
    if (long error = s.valueNode(key, KEY_QUERY_VALUE, node); error != ERROR_SUCCESS) return error;
    auto it = node->values.find(lower(valueName));
    if (it == node->values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = it->second;
    if (type) *type = value.type;
    const auto needed = static_cast<uint32_t>(value.bytes.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, value.bytes.data(), needed);
    }
    if (size) *size = needed;
    return ERROR_SUCCESS;
}

long RegSetValueExA(HKEY key, const std::string& valueName, uint32_t type, const unsigned char* data, uint32_t size) {
    if (!data && size) return ERROR_INVALID_PARAMETER;
    Store& s = store();
    std::lock_guard lock(s.mutex);
    Node* node = nullptr;
    if (long error = s.valueNode(key, KEY_SET_VALUE, node); error != ERROR_SUCCESS) return error;
    Value value{type, data ? std::string(reinterpret_cast<const char*>(data), size) : std::string()};
    node->values[lower(valueName)] = std::move(value);
    return ERROR_SUCCESS;
}

long RegDeleteKeyA(HKEY root, const std::string& subKey) {
    Store& s = store();
    std::lock_guard lock(s.mutex);
    HKEY base = 0;
    Path path;
    if (!s.resolve(root, subKey, base, path)) return ERROR_INVALID_HANDLE;
    if (path.empty()) return ERROR_ACCESS_DENIED;  // a root cannot go
    const std::string last = path.back();
    path.pop_back();
    Node* parent = s.find(base, path);
    if (!parent || parent->children.erase(last) == 0) return ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

long RegCloseKey(HKEY key) {
    if (isRoot(key)) return ERROR_SUCCESS;
    Store& s = store();
    std::lock_guard lock(s.mutex);
    return s.open.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

const char* const* systemInfoPrograms() {
    static const char* const programs[] = {
        "hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor", "mate-system-monitor",
        "xfce4-taskmanager", "lxtask", "qps", nullptr,
    };
    return programs;
}

std::string findSystemInfoProgram() {
    const char* pathVariable = std::getenv("PATH");
    const std::string searchPath = pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin";
    std::vector<std::string> folders;
    size_t start = 0;
    while (start <= searchPath.size()) {
        const size_t end = searchPath.find(':', start);
        const std::string folder = searchPath.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!folder.empty()) folders.push_back(folder);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    for (const char* const* program = systemInfoPrograms(); *program; ++program) {
        for (const std::string& folder : folders) {
            const std::string candidate = folder + "/" + *program;
            struct stat info {};
            if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
    }
    return {};
}

}  // namespace nw
