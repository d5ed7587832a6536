// The decoded images of image URLs: each URL record holds one image that
// its data is decoded into as it arrives, shared by every page that shows
// the URL.
#pragma once

#include "layout/Image.h"
#include "net/UrlHandle.h"

// Installs the maker of records' images (at start-up, with the other
// interfaces of the lower layers); Remove takes it away again.
void InstallUrlImages();
void RemoveUrlImages();

// The URL's decoded image: the one its data goes into, decoded again from
// the stored data when the load is over and it was dropped; the shared
// empty image while the URL has none (not an image, or no data yet).
ImageHandle ImageOfUrl(const UrlHandle& url);
