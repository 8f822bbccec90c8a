// The libFuzzer entry of one target, chosen by ZANDREL_FUZZ_TARGET.
#include "tests/fuzz/Targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::ZANDREL_FUZZ_TARGET(data, size);
}
