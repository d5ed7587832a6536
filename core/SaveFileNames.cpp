#include "core/SaveFileNames.h"

namespace {

constexpr size_t kLongestName = 254;

}  // namespace

ProposedFile SplitFileNameFromUrl(const std::string& url) {
    ProposedFile proposed;
    size_t colon = url.find(':');
    std::string path = colon == std::string::npos ? url : url.substr(colon + 1);
    path = path.substr(0, path.find_first_of(";?"));
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name.size() > kLongestName) return proposed;
    proposed.name = name;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) return proposed;
    std::string extension = name.substr(dot + 1);
    if (extension == "jpe") extension = "jpg";
    proposed.name = name.substr(0, dot) + "." + extension;
    std::string pattern = "*." + extension;
    proposed.filter = pattern + '\0' + pattern + '\0' + '\0';
    return proposed;
}
