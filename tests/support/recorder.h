#pragma once
// Records the message boxes that the code under test shows, instead of showing them.
#include <string>
#include <vector>

#include "nw/platform/ui.h"

namespace nwtest {

struct Box {
    std::string caption;
    std::string text;
    bool operator==(const Box&) const = default;
};

class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<Box>& boxes() const { return boxes_; }
    void clear() { boxes_.clear(); }
    // Runs when a box is "shown", before it is "closed"; lets a test look at the state then.
    void onShow(std::function<void(const Box&)> f) { onShow_ = std::move(f); }

private:
    std::vector<Box> boxes_;
    std::function<void(const Box&)> onShow_;
    nw::MessageBoxHandler previous_;
};

// A fresh folder under the test's temporary directory, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace nwtest
