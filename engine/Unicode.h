#pragma once
// Case folding for every alphabet over UTF-8 bytes, with an ASCII fast path.
// SQLite folds ASCII only; names, LIKE and sorting here must not.
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace engine::unicode {

// Simple case folding of one code point.
char32_t foldCodePoint(char32_t cp);

// Decodes one code point at s[i] (advancing i); invalid bytes decode as
// themselves so that no input is ever rejected.
char32_t decodeUtf8(const unsigned char* s, size_t len, size_t& i);

// Appends the UTF-8 encoding of cp.
void appendUtf8(std::string& out, char32_t cp);

// Appends the folded form of text to out.
void appendFolded(std::string& out, std::string_view text);
std::string folded(std::string_view text);
QString foldedName(const QString& name);

// Compiled LIKE pattern: '%' any run, '_' one character, an optional escape
// character; case-insensitive in every alphabet.
class LikePattern {
public:
    LikePattern(std::string_view pattern, char32_t escape = 0);
    bool matches(std::string_view text) const;

private:
    bool matchesFolded(std::string_view text) const;

    enum class Kind { Contains, Prefix, Suffix, Exact, General };
    Kind m_kind = Kind::General;
    std::string m_needle; // folded literal for the fast kinds
    bool m_asciiNeedle = false;
    std::array<unsigned char, 256> m_scan{};
    std::u32string m_tokens; // folded pattern for the general matcher
};

} // namespace engine::unicode
