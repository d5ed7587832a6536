// Creating a folder with all its missing parents.
#pragma once

// Creates every missing folder of the path from the top ("/" and "\" both end
// a component; a drive "c:" is tested as its root). When a deeper folder
// cannot be made, the folder just made is removed again. Nonzero on success,
// also when the folder already exists.
[[nodiscard]] int CreateDirectoryPath(const char* path);
