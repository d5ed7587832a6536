// Feeds arbitrary [FILE TYPES] section text to the viewer table in both
// layouts, then looks up what the lines named.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/ViewerTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text.append(2, '\0');
    for (int version : {0, 1}) {
        ViewerTable table;
        table.ApplyFileTypesSection(text.data(), text.size(), version, false);
        table.AddBuiltInRows();
        ViewerTable copy(table);
        for (ViewerEntry* e = copy.First(); e; e = e->NextEntry()) {
            (void)FormatFileTypeValue(*e);
            (void)copy.FindByExtension(e->mimeType);
        }
    }
    return 0;
}
