#pragma once

#include <string>
#include <string_view>

namespace kvx {

// Text is UTF-8 in memory and code page 932 (Shift-JIS as Windows has it) in
// every file the program writes. A character that code page 932 cannot hold
// becomes "?"; conversion never fails.
std::string toCp932(std::string_view utf8);
std::string fromCp932(std::string_view cp932);

// Whether `utf8` comes back unchanged from code page 932.
bool survivesCp932(std::string_view utf8);

// The longest prefix of `cp932` of at most `maxBytes` bytes that does not end
// inside a double-byte character.
std::string_view cutCp932(std::string_view cp932, std::size_t maxBytes);

} // namespace kvx
