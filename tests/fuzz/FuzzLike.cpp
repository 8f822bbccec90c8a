#include "tests/fuzz/Targets.h"

#include "engine/Unicode.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using engine::unicode::decodeUtf8;
using engine::unicode::foldCodePoint;

constexpr char32_t kAny = 0x110000, kOne = 0x110001;

std::u32string folded(std::string_view s, bool pattern) {
    std::u32string out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t i = 0; i < s.size();) {
        const char32_t c = decodeUtf8(bytes, s.size(), i);
        out += pattern && c == U'%' ? kAny : pattern && c == U'_' ? kOne : foldCodePoint(c);
    }
    return out;
}

// The plain matcher: '%' any run, '_' one character, by dynamic programming.
bool reference(const std::u32string& p, const std::u32string& t) {
    std::vector<char> row(t.size() + 1, 0), next(t.size() + 1);
    row[0] = 1;
    for (char32_t c : p) {
        next.assign(t.size() + 1, 0);
        if (c == kAny)
            for (size_t j = 0; j <= t.size(); ++j)
                next[j] = row[j] || (j > 0 && next[j - 1]);
        else
            for (size_t j = 1; j <= t.size(); ++j)
                next[j] = row[j - 1] && (c == kOne || c == t[j - 1]);
        row.swap(next);
    }
    return row[t.size()];
}

} // namespace

int fuzz::like(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte splits the rest into pattern and text.
    const size_t split = std::min<size_t>(data[0], size - 1);
    const std::string_view pattern(reinterpret_cast<const char*>(data + 1), split);
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + split), size - 1 - split);
    const bool fast = engine::unicode::LikePattern(pattern).matches(text);
    if (fast != reference(folded(pattern, true), folded(text, false)))
        std::abort();
    return 0;
}
