#include "engine/Collation.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace engine::collation {
namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using Collator = std::unique_ptr<UCollator, CollatorCloser>;

// The root order, not the "ru" tailoring: that one moves Cyrillic before
// Latin and would reorder every mixed catalogue.
Collator openRoot(UCollationStrength strength) {
    UErrorCode status = U_ZERO_ERROR;
    Collator c(ucol_open("", &status));
    if (U_FAILURE(status))
        throw std::runtime_error("ICU: the root collation cannot be opened");
    ucol_setStrength(c.get(), strength);
    return c;
}

// Used from the interface thread only, like every query.
UCollator* letters() {
    static const Collator c = openRoot(UCOL_PRIMARY);
    return c.get();
}

UCollator* lettersAndMarks() {
    static const Collator c = openRoot(UCOL_SECONDARY);
    return c.get();
}

} // namespace

int compare(std::string_view a, std::string_view b) {
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = ucol_strcollUTF8(lettersAndMarks(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                                                static_cast<int32_t>(b.size()), &status);
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

KeyPair primaryKeysAt(std::string_view text, size_t skip) {
    UCharIterator it;
    uiter_setUTF8(&it, text.data(), static_cast<int32_t>(text.size()));
    uint32_t state[2] = {0, 0};
    const size_t wanted = skip + 16;
    uint8_t small[48];
    std::vector<uint8_t> large;
    uint8_t* bytes = small;
    if (wanted > sizeof small) {
        large.resize(wanted);
        bytes = large.data();
    }
    UErrorCode status = U_ZERO_ERROR;
    // Only as many bytes as asked for are made: the rest of the key never is.
    int32_t got = ucol_nextSortKeyPart(letters(), &it, state, bytes, static_cast<int32_t>(wanted), &status);
    if (U_FAILURE(status))
        got = 0;
    auto number = [&](size_t from) {
        uint64_t key = 0;
        for (size_t i = from; i < from + 8; ++i)
            key = (key << 8) | (static_cast<int32_t>(i) < got ? bytes[i] : 0);
        return key;
    };
    return {number(skip), number(skip + 8)};
}

} // namespace engine::collation
