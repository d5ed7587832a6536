// Fuzzes the lexer and parser: the input is parsed whole, and again split in
// two at a point chosen by its first byte (the first part announcing more
// text). Both must agree on success or failure, and the trees must go.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "script/EngineMemory.h"
#include "script/Script.h"
#include "script/ScriptParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    long before = EngineMemory::LiveBlocks();
    int whole;
    {
        Script script(0, data[0] & 1);
        const char* cursor = text.data();
        whole = ParseScriptQuietly(&script, &cursor, text.data() + text.size(), false).code;
    }
    int split;
    {
        Script script(0, data[0] & 1);
        size_t at = text.empty() ? 0 : data[0] % (text.size() + 1);
        std::string first = text.substr(0, at);
        const char* cursor = first.data();
        split = ParseScriptQuietly(&script, &cursor, first.data() + first.size(), true).code;
        if (split == 700) {
            std::string rest =
                std::string(cursor, static_cast<const char*>(first.data() + first.size())) + text.substr(at);
            cursor = rest.data();
            split = ParseScriptQuietly(&script, &cursor, rest.data() + rest.size(), false).code;
        }
    }
    if (split != whole) std::abort();
    if (EngineMemory::LiveBlocks() != before) std::abort();
    return 0;
}
