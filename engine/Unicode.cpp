#include "engine/Unicode.h"

#include <QChar>
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace engine::unicode {
namespace {

constexpr char32_t kPercent = 0x110000; // beyond Unicode: never a literal
constexpr char32_t kUnderscore = 0x110001;

struct FoldTables {
    std::array<unsigned char, 128> ascii{};
    std::unique_ptr<char16_t[]> bmp{new char16_t[0x10000]};
    // Lead bytes of the few non-ASCII characters that fold to ASCII (such as
    // the Kelvin sign); only text holding one of them needs full folding to
    // be searched for an ASCII pattern.
    std::array<bool, 256> leadFoldsToAscii{};
    FoldTables() {
        for (int c = 0; c < 128; ++c)
            ascii[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        for (char32_t cp = 0; cp < 0x10000; ++cp) {
            const char32_t f = QChar::toCaseFolded(cp);
            bmp[cp] = static_cast<char16_t>(f < 0x10000 ? f : cp);
            if (cp >= 0x80 && f < 0x80) {
                std::string enc;
                appendUtf8(enc, cp);
                leadFoldsToAscii[static_cast<unsigned char>(enc[0])] = true;
            }
        }
        for (int b = 0xF0; b < 0x100; ++b)
            leadFoldsToAscii[b] = true; // beyond the BMP: not worth a table
    }
};

const FoldTables& tables() {
    static const FoldTables t;
    return t;
}

inline char32_t foldWith(const FoldTables& t, char32_t cp) {
    if (cp < 0x10000)
        return t.bmp[cp];
    return QChar::toCaseFolded(cp);
}

// Next folded code point of text at i; ASCII without decoding.
inline char32_t nextFolded(const FoldTables& t, const unsigned char* s, size_t len, size_t& i) {
    const unsigned char b = s[i];
    if (b < 0x80) {
        ++i;
        return t.ascii[b];
    }
    // Two-byte sequences (Cyrillic, Greek, Latin letters with marks) without
    // the general decoder.
    if (b >= 0xC2 && b < 0xE0 && i + 1 < len && (s[i + 1] & 0xC0) == 0x80) {
        const char32_t cp = (char32_t(b & 0x1F) << 6) | (s[i + 1] & 0x3F);
        i += 2;
        return t.bmp[cp];
    }
    return foldWith(t, decodeUtf8(s, len, i));
}

} // namespace

char32_t foldCodePoint(char32_t cp) { return foldWith(tables(), cp); }

char32_t decodeUtf8(const unsigned char* s, size_t len, size_t& i) {
    constexpr char32_t kInvalid = 0xFFFD;
    const unsigned char b = s[i];
    if (b < 0x80) {
        ++i;
        return b;
    }
    // Stray continuation bytes, overlong leads (C0, C1) and leads beyond
    // U+10FFFF (F5..FF) are invalid, and so is what they would start.
    if (b < 0xC2 || b > 0xF4) {
        ++i;
        return kInvalid;
    }
    const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    char32_t cp = b & (0x3F >> extra);
    if (i + extra >= len) {
        ++i;
        return kInvalid;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char c = s[i + k];
        if ((c & 0xC0) != 0x80) {
            ++i;
            return kInvalid;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kInvalid;
    }
    i += extra + 1;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void appendFolded(std::string& out, std::string_view text) {
    const FoldTables& t = tables();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t len = text.size();
    size_t i = 0;
    while (i < len) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            out.push_back(static_cast<char>(t.ascii[b]));
            ++i;
        } else {
            appendUtf8(out, nextFolded(t, s, len, i));
        }
    }
}

std::string folded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendFolded(out, text);
    return out;
}

QString foldedName(const QString& name) { return name.toCaseFolded(); }

LikePattern::LikePattern(std::string_view pattern, char32_t escape) {
    const FoldTables& t = tables();
    const auto* s = reinterpret_cast<const unsigned char*>(pattern.data());
    const size_t len = pattern.size();
    size_t i = 0;
    while (i < len) {
        char32_t cp = decodeUtf8(s, len, i);
        if (escape && cp == escape && i < len) {
            m_tokens.push_back(foldWith(t, decodeUtf8(s, len, i)));
            continue;
        }
        if (cp == '%') {
            if (m_tokens.empty() || m_tokens.back() != kPercent)
                m_tokens.push_back(kPercent);
        } else if (cp == '_') {
            m_tokens.push_back(kUnderscore);
        } else {
            m_tokens.push_back(foldWith(t, cp));
        }
    }
    // Patterns of one literal run with '%' only at its ends take a substring
    // or prefix search instead of the general matcher.
    size_t first = 0, last = m_tokens.size();
    const bool leading = !m_tokens.empty() && m_tokens.front() == kPercent;
    const bool trailing = m_tokens.size() > 1 && m_tokens.back() == kPercent;
    if (leading)
        ++first;
    if (trailing)
        --last;
    bool literalOnly = true;
    for (size_t k = first; k < last; ++k)
        if (m_tokens[k] == kPercent || m_tokens[k] == kUnderscore)
            literalOnly = false;
    if (!literalOnly)
        return;
    for (size_t k = first; k < last; ++k)
        appendUtf8(m_needle, m_tokens[k]);
    m_asciiNeedle =
        std::all_of(m_needle.begin(), m_needle.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (m_asciiNeedle && !m_needle.empty()) {
        // Bytes the substring scan stops at: the needle's first character in
        // either case (1), and lead bytes of characters folding to ASCII (2).
        const FoldTables& folds = tables();
        const unsigned char initial = static_cast<unsigned char>(m_needle[0]);
        m_scan[initial] = 1;
        if (initial >= 'a' && initial <= 'z')
            m_scan[initial - 32] = 1;
        for (int b = 0x80; b < 0x100; ++b)
            m_scan[b] = folds.leadFoldsToAscii[b] ? 2 : 0;
    }
    if (leading && (trailing || m_tokens.size() == 1))
        m_kind = Kind::Contains;
    else if (leading)
        m_kind = Kind::Suffix;
    else if (trailing)
        m_kind = Kind::Prefix;
    else
        m_kind = Kind::Exact;
}

bool LikePattern::matches(std::string_view text) const {
    if (m_kind == Kind::Contains && m_needle.empty())
        return true;
    if (m_kind == Kind::Contains && m_asciiNeedle) {
        const FoldTables& t = tables();
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const size_t n = text.size(), m = m_needle.size();
        for (size_t i = 0; i < n; ++i) {
            const unsigned char stop = m_scan[p[i]];
            if (stop == 0)
                continue;
            if (stop == 2)
                return matchesFolded(text); // a character that folds to ASCII
            if (n - i < m) {
                // Too short for the needle here; a character folding to ASCII
                // further on could still make the folded text match.
                for (size_t j = i + 1; j < n; ++j)
                    if (m_scan[p[j]] == 2)
                        return matchesFolded(text);
                return false;
            }
            size_t k = 1;
            while (k < m && p[i + k] < 0x80 && t.ascii[p[i + k]] == static_cast<unsigned char>(m_needle[k]))
                ++k;
            if (k == m)
                return true;
        }
        return false;
    }
    return matchesFolded(text);
}

bool LikePattern::matchesFolded(std::string_view text) const {
    thread_local std::string buffer;
    buffer.clear();
    if (m_kind != Kind::General) {
        if (m_asciiNeedle) {
            // An ASCII needle can only match ASCII bytes: folding ASCII alone
            // is exact unless a character folding to ASCII is present.
            const FoldTables& t = tables();
            buffer.resize(text.size());
            bool special = false;
            for (size_t i = 0; i < text.size(); ++i) {
                const unsigned char b = static_cast<unsigned char>(text[i]);
                special |= t.leadFoldsToAscii[b];
                buffer[i] = static_cast<char>(b < 0x80 ? t.ascii[b] : b);
            }
            if (special) {
                buffer.clear();
                appendFolded(buffer, text);
            }
        } else {
            appendFolded(buffer, text);
        }
        switch (m_kind) {
        case Kind::Contains:
#ifdef _WIN32 // no memmem in Windows' C library
            return std::string_view(buffer.data(), buffer.size()).find(m_needle) != std::string_view::npos;
#else
            return memmem(buffer.data(), buffer.size(), m_needle.data(), m_needle.size()) != nullptr;
#endif
        case Kind::Prefix:
            return buffer.size() >= m_needle.size()
                   && std::memcmp(buffer.data(), m_needle.data(), m_needle.size()) == 0;
        case Kind::Suffix:
            return buffer.size() >= m_needle.size()
                   && std::memcmp(buffer.data() + buffer.size() - m_needle.size(), m_needle.data(), m_needle.size())
                          == 0;
        default: return buffer == m_needle;
        }
    }
    thread_local std::u32string chars;
    chars.clear();
    const FoldTables& t = tables();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();)
        chars.push_back(nextFolded(t, s, text.size(), i));
    // Greedy wildcard match, backtracking to the last '%'.
    const size_t n = chars.size(), m = m_tokens.size();
    size_t p = 0, c = 0, starP = std::u32string::npos, starC = 0;
    while (c < n) {
        if (p < m && m_tokens[p] != kPercent && (m_tokens[p] == kUnderscore || m_tokens[p] == chars[c])) {
            ++p;
            ++c;
        } else if (p < m && m_tokens[p] == kPercent) {
            starP = p++;
            starC = c;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            c = ++starC;
        } else {
            return false;
        }
    }
    while (p < m && m_tokens[p] == kPercent)
        ++p;
    return p == m;
}

} // namespace engine::unicode
