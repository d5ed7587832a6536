// The built-in pictures of BmpImage come from the program's own bitmap
// resources: the small button pictures that the preferences name by id.
#pragma once

// Installs the source (at start-up); RemoveBuiltInPictures at exit.
void InstallBuiltInPictures();
void RemoveBuiltInPictures();
