// Compiling and replacing the event handlers of element records through the
// script engine.
#include <utility>

#include "html/PageScriptHost.h"

namespace {

PageScriptHost* defaultHost = nullptr;

struct Binding {
    int eventId;
    int kind;        // handler kind handed to the engine
    int propertyId;  // the script property that replaces it
};

// The events of each record kind.
const Binding kLinkEvents[] = {
    {kEventLinkClick, 1099, 132}, {kEventMouseOut, 1100, 180}, {kEventMouseOver, 1101, 190}};
const Binding kImageEvents[] = {
    {kEventAbort, 1104, 131}, {kEventError, 1105, 133}, {kEventImageLoad, 1106, 104}};
const Binding kFrameEvents[] = {{kEventLoad, 1013, 104}, {kEventUnload, 1014, 147}};
const Binding kFieldEvents[] = {{kEventClick, 1088, 132},  {kEventBlur, 1094, 110},
                                {kEventFocus, 1095, 141},  {kEventChange, 1092, 149},
                                {kEventSubmit, 1086, 143}, {kEventReset, 1087, 127}};

std::pair<const Binding*, int> BindingsOf(const ElementRecord& record) {
    if (dynamic_cast<const AnchorRecord*>(&record) || dynamic_cast<const AreaRecord*>(&record))
        return {kLinkEvents, 3};
    if (dynamic_cast<const ImageRecord*>(&record)) return {kImageEvents, 3};
    if (dynamic_cast<const FrameRecord*>(&record) || dynamic_cast<const FramesetRecord*>(&record))
        return {kFrameEvents, 2};
    if (dynamic_cast<const FormFieldRecord*>(&record)) return {kFieldEvents, 6};
    return {nullptr, 0};
}

}  // namespace

ScriptObject GetEventHandler(ElementRecord& record, int eventId, PageScriptHost& host, ScriptObject scriptContext) {
    auto [bindings, count] = BindingsOf(record);
    for (int i = 0; i < count; ++i) {
        if (bindings[i].eventId != eventId) continue;
        if (ScriptObject cached = record.CompiledHandler(eventId)) return cached;
        const char* text = record.GetEventHandlerText(eventId);
        if (!text) return 0;
        ScriptObject handler = host.LoadEventHandler(
            bindings[i].kind, text, static_cast<int>(std::char_traits<char>::length(text)), scriptContext);
        record.SetCompiledHandler(eventId, handler);
        return handler;
    }
    return 0;
}

void SetEventHandler(ElementRecord& record, int propertyId, ScriptObject handler, PageScriptHost& host) {
    auto [bindings, count] = BindingsOf(record);
    for (int i = 0; i < count; ++i) {
        if (bindings[i].propertyId != propertyId) continue;
        if (ScriptObject old = record.CompiledHandler(bindings[i].eventId)) host.DeleteObject(old);
        record.SetCompiledHandler(bindings[i].eventId, handler ? host.NewInstance(handler) : 0);
        return;
    }
}

void SetDefaultPageScriptHost(PageScriptHost* host) {
    defaultHost = host;
}

PageScriptHost* DefaultPageScriptHost() {
    return defaultHost;
}
