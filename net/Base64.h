// Base64 (RFC 4648 alphabet, with padding), as Basic credentials need it.
#pragma once

#include <string>
#include <string_view>

std::string Base64Encode(std::string_view bytes);
