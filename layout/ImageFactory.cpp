// Making an image of the class its data needs. Kept apart from Image.cpp:
// the JPEG class lives with the outside library's loader, on the Win32 side
// of the Windows build.
#include <cstring>
#include <new>

#include "layout/BmpImage.h"
#include "layout/GifImage.h"
#include "layout/Image.h"
#include "layout/JpegImage.h"
#include "layout/XbmImage.h"
#include "net/UrlRecord.h"

namespace {

bool ExtensionIs(const char* extension, const char* name) {
    for (; *extension && *name; ++extension, ++name) {
        char c = *extension;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *name) return false;
    }
    return *extension == 0 && *name == 0;
}

}  // namespace

ImageHandle ImageHandle::MakeForFile(const char* fileName) {
    const char* dot = fileName ? strrchr(fileName, '.') : nullptr;
    if (!dot) return ImageHandle(true);
    const char* extension = dot + 1;
    Image* image = nullptr;
    if (ExtensionIs(extension, "gif")) {
        image = new (std::nothrow) GifImage;
    } else if (ExtensionIs(extension, "jpg") || ExtensionIs(extension, "jpe") ||
               ExtensionIs(extension, "jpeg")) {
        image = new (std::nothrow) JpegImage;
    } else if (ExtensionIs(extension, "bmp")) {
        image = new (std::nothrow) BmpImage;
    }
    if (!image) return ImageHandle(true);
    ImageHandle handle(image);
    if (!image->LoadLocalFile(fileName)) return ImageHandle(true);
    return handle;
}

ImageHandle ImageHandle::MakeForUrl(const UrlHandle& url) {
    ImageHandle handle = MakeForKind(url.IsEmpty() ? 0 : url->GetContentKind(), 0);
    if (!handle.IsEmpty()) handle->SetUrl(url);
    return handle;
}

ImageHandle ImageHandle::MakeForKind(int contentKind, uint32_t urlId) {
    Image* image = nullptr;
    switch (contentKind) {
        case 2:
            image = new (std::nothrow) GifImage;
            break;
        case 3:
            image = new (std::nothrow) JpegImage;
            break;
        case 4:
            image = new (std::nothrow) XbmImage;
            break;
        case 5:
            image = new (std::nothrow) BmpImage;
            break;
        default:
            image = new (std::nothrow) Image;
            break;
    }
    if (!image) return ImageHandle(true);
    image->SetUrlId(urlId);
    image->SetContentKind(contentKind);
    return ImageHandle(image);
}
