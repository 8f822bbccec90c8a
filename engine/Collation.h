#pragma once
// The order in which texts sort: ICU's root collation with case ignored, so
// Ё sorts with Е, accented Latin with its base letter, and digits, Latin and
// Cyrillic follow one another in that order, as a Russian user expects.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace engine::collation {

// Three-way comparison of two UTF-8 texts: letters first, then their marks
// (е before ё); case never counts.
int compare(std::string_view a, std::string_view b);

// The 16 bytes of the text's primary sort key (letters alone, no marks)
// that follow its first skip bytes, as two big-endian numbers, zero padded.
// Keys compare as the texts do at that level; a zero last byte means the
// text's key ended. ICU makes a key from the text's start each time, so two
// levels are made at once.
struct KeyPair {
    uint64_t first;
    uint64_t second;
};
KeyPair primaryKeysAt(std::string_view text, size_t skip);

} // namespace engine::collation
