#include "documents/ScriptWindows.h"

namespace {
ScriptWindowServices neutral;
ScriptWindowServices* installed = nullptr;
}  // namespace

void SetScriptWindowServices(ScriptWindowServices* services) {
    installed = services;
}

ScriptWindowServices& ScriptWindows() {
    return installed ? *installed : neutral;
}
