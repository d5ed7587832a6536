// Records that collect text for another parser: SCRIPT for the script
// engine, STYLE and linked sheets for the style-sheet parser.
#include <cstring>

#include "html/ElementRecords.h"
#include "html/HtmlTokenizer.h"
#include "html/PageProperties.h"
#include "html/RecordSlots.h"
#include "html/StyleSheet.h"

using namespace record_slots;

ScriptRecord::ScriptRecord(const AttributeSlot* slots, const RecordContext& context) {
    for (const AttributeSlot* s = slots; s && s->code; ++s) {
        if (s->code == kAttrSrc && !src && NonEmpty(*s)) src = ParseUrlAttribute(*s, context.page, nullptr);
        if (s->code == kAttrLanguage) TakeText(language, *s);
    }
}

void TextPieces::Append(const char* text, int length) {
    if (length > 0) pieces_.emplace_back(text, length);
}

size_t TextPieces::TotalLength() const {
    size_t total = 0;
    for (const std::string& piece : pieces_) total += piece.size();
    return total;
}

template <typename Consumer>
int TextPieces::Feed(Consumer consume, int keepCode, int stopCode, int nothingCode, int stuckCode) const {
    if (pieces_.empty()) return nothingCode;
    if (pieces_.size() == 1) {
        const char* cursor = pieces_[0].data();
        return consume(cursor, cursor + pieces_[0].size(), false);
    }
    std::string buffer;
    int answer = nothingCode;
    size_t piece = 0, offset = 0;
    while (piece < pieces_.size()) {
        // Fill the buffer up to its capacity (one byte stays for a NUL).
        while (piece < pieces_.size() && buffer.size() < kFeedBuffer - 1) {
            size_t take = std::min(pieces_[piece].size() - offset, kFeedBuffer - 1 - buffer.size());
            buffer.append(pieces_[piece], offset, take);
            offset += take;
            if (offset == pieces_[piece].size()) {
                ++piece;
                offset = 0;
            }
        }
        bool more = piece < pieces_.size();
        const char* start = buffer.data();
        const char* cursor = start;
        answer = consume(cursor, start + buffer.size(), more);
        if (answer == stopCode) return answer;
        if (answer == keepCode && more) {
            size_t used = static_cast<size_t>(cursor - start);
            if (used == 0 && buffer.size() >= kFeedBuffer - 1) {
                // Nothing of a full buffer was taken: feeding more cannot make
                // room, so the text is reported as not loadable.
                return stuckCode;
            }
            buffer.erase(0, used);
        } else {
            buffer.clear();
        }
    }
    return answer;
}

int ScriptRecord::Compile(ScriptLoader& loader) {
    int answer = text.Feed([&loader](const char*& cursor, const char* end,
                                     bool more) { return loader.LoadScript(cursor, end, more); },
                           kScriptPartial, kScriptStop, kScriptDone, kScriptSyntaxError);
    if (answer == kScriptDone) {
        compiled = loader.TakeLoadedScript();
    } else {
        compiled = 0;
        loader.DropLoadedScript();
    }
    return answer;
}

// ---------------------------------------------------------------------------

StyleTextCollector::StyleTextCollector(const AttributeSlot* slots, HtmlElement* owner) : owner_(owner) {
    for (const AttributeSlot* s = slots; s && s->code; ++s) {
        if (s->code == kAttrType) TakeText(type, *s);
    }
}

StyleTextCollector::StyleTextCollector(const StyleTextCollector& o)
    : TabledRecord(o), type(o.type), text_(o.text_), owner_(o.owner_), parsed_(false) {}

StyleTextCollector::~StyleTextCollector() = default;

std::unique_ptr<StyleSheet> StyleTextCollector::ParseToSheet(PageProperties* page, const UrlHandle* base,
                                                             bool userSheet) {
    parsed_ = true;
    auto sheet = std::make_unique<StyleSheet>(owner_, base);
    text_.Feed([&](const char*& cursor, const char* end,
                   bool more) { return sheet->ParseRules(page, cursor, end, more, userSheet); },
               kCssNeedMore, kCssStop, kCssNeedMore, kCssStop);
    return sheet;
}

void StyleTextCollector::Parse(PageProperties* page, const UrlHandle* base, bool userSheet) {
    if (parsed_) return;
    std::unique_ptr<StyleSheet> sheet = ParseToSheet(page, base, userSheet);
    if (page) page->AddPageStyleSheet(sheet.release());
}

const RecordTable<ScriptRecord>& ScriptRecord::Table() {
    using E = DumpEntry<ScriptRecord>;
    static const RecordTable<ScriptRecord> kTable = {
        {
            {"src", E::kUrl, &ScriptRecord::src},
            {"language", E::kText, &ScriptRecord::language},
            {"text", E::kCustom,
             +[](const ScriptRecord& r, std::string& out) {
                 AppendInt(out, "text", static_cast<long>(r.text.TotalLength()));
             }},
        },
        {},
    };
    return kTable;
}

const RecordTable<StyleTextCollector>& StyleTextCollector::Table() {
    using E = DumpEntry<StyleTextCollector>;
    static const RecordTable<StyleTextCollector> kTable = {
        {
            {"type", E::kText, &StyleTextCollector::type},
            {"text", E::kCustom,
             +[](const StyleTextCollector& r, std::string& out) {
                 AppendInt(out, "text", static_cast<long>(r.text_.TotalLength()));
             }},
        },
        {},
    };
    return kTable;
}
