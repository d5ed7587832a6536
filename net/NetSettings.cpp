#include "net/NetSettings.h"

NetSettings& GetNetSettings() {
    static NetSettings settings;
    return settings;
}
