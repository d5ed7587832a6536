// The text of a numbered list marker.
#pragma once
#include <cstdint>
#include <string>

// Marker types 99 decimal, 100 and 101 Roman, 102 and 103 letters; the
// text ends in ".". Roman numbers from 4000 up show "....", and of 0 or
// less nothing; letters count 1 a, 26 z, 27 aa (0 gives a). A negative
// number shows in decimal whatever the type.
std::string ListMarkerText(int32_t number, int type);
