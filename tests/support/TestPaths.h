// Paths of test data and scratch folders, usable in both builds.
#pragma once
#include <string>

namespace testing_support {

// A file below the source tree, as the program under test would name it
// (under Wine the Unix tree is drive Z:).
std::string SourcePath(const std::string& relative);

// A fresh, empty folder for one test; removed by the destructor.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const;

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& data);

}  // namespace testing_support
