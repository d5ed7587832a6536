#include "layout/BuiltInPicturesWin32.h"

#include <windows.h>

#include "core/PreferenceKeys.h"
#include "layout/BmpImage.h"

namespace {

// A bitmap resource is the packed bitmap itself; only the small pictures
// are built in (the tool-bar and status pictures come from files).
const uint8_t* ProgramPicture(int id, uint32_t& available) {
    available = 0;
    ButtonImage picture = ButtonImageForId(id);
    if (picture.kind != ButtonImageKind::Small) return nullptr;
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, kSmallImageNames[picture.index], MAKEINTRESOURCEA(2));  // RT_BITMAP
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return nullptr;
    available = SizeofResource(module, found);
    return static_cast<const uint8_t*>(data);
}

}  // namespace

void InstallBuiltInPictures() {
    SetBuiltInPictureSource(&ProgramPicture);
}

void RemoveBuiltInPictures() {
    SetBuiltInPictureSource(nullptr);
}
