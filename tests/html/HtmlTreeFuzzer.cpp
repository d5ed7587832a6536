// Builds the element tree of the input, whole and in two blocks cut where
// the first byte says, and dumps it: nothing may read outside the buffer,
// loop for ever or leave the two results different.
#include <cstddef>
#include <cstdint>
#include <string>

#include "html/DocumentContent.h"
#include "html/PageScriptHost.h"
#include "html/TreeDump.h"

namespace {

// Scripts whose text starts with "write:" write the rest into the page.
class WritingHost : public PageScriptHost {
public:
    int LoadScript(const char*& cursor, const char* end, bool) override {
        cursor = end;
        return kScriptDone;
    }
    ScriptObject CreateEvalContext(ScriptObject, ScriptRecord& script) override {
        text_.clear();
        for (const std::string& piece : script.text.Pieces()) text_ += piece;
        return 1;
    }
    int Evaluate(ScriptObject, DocumentContent& content) override {
        if (text_.rfind("write:", 0) == 0) content.WriteText(UrlHandle(), text_.substr(6).c_str());
        return 1789;
    }
    void DeleteEvalContext(ScriptObject) override {}
    ScriptObject LoadEventHandler(int, const char*, int, ScriptObject) override { return 0; }
    ScriptObject NewInstance(ScriptObject object) override { return object; }
    void DeleteObject(ScriptObject) override {}

private:
    std::string text_;
};

std::string Build(const std::string& page, size_t split) {
    UrlHandle url("http://fuzz.example/dir/page.html", true);
    DocumentContent content;
    WritingHost host;
    content.GetPage()->scriptHost = &host;
    content.GetPage()->windowObject = 1;
    long left = content.FeedData(url, page.data(), static_cast<long>(split), true, 0);
    std::string rest = page.substr(split - static_cast<size_t>(left));
    content.FeedData(url, rest.data(), static_cast<long>(rest.size()), false, 0);
    return DumpElementTree(content.Root()) + DumpComputedStyles(*content.GetPage(), content.Root());
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string page(reinterpret_cast<const char*>(data), size);
    std::string whole = Build(page, size);
    size_t split = size ? data[0] % (size + 1) : 0;
    // Text runs and long raw content are delivered in pieces while more is
    // coming, so only pages without such runs must match exactly.
    std::string cut = Build(page, split);
    if (size < 900 && page.find("<textarea") == std::string::npos && whole != cut) __builtin_trap();
    return 0;
}
