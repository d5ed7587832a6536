// Saving a page with its images: the page's source goes to the chosen file,
// each picture it shows to a folder beside it named after the file
// ("page.htm" keeps them in "page_files"), and the saved source names them
// there, so that the file shows its pictures from the disk. Pictures not
// at hand are fetched first; one that cannot be had keeps its absolute
// address in the saved page and is told to the user at the end.
#pragma once
#include <windows.h>

#include <string>

#include "net/UrlHandle.h"

// The folder of a saved page's pictures: the file's name without its
// extension, characters other than letters, digits, '.', '-' and '_' made
// '_', and "_files" (as the page names it: relative to the page's folder).
std::string PictureFolderName(const std::string& path);

// Starts the save of the loaded HTML page; errors are shown to owner (the
// frame when it is gone). False when nothing could be started (the page's
// data could not be read), which has been told.
bool SavePageWithImages(HWND owner, const UrlHandle& page, const char* path);

// Saves still waiting for pictures (for tests and shut-down).
int PageSavesInProgress();
