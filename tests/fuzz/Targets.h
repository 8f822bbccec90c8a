#pragma once
// The fuzz targets: each takes any bytes and must neither crash nor trip a
// sanitizer; the LIKE target also checks the matcher against a plain one.
// libFuzzer drives them ("make fuzz"); tst_fuzzcorpus replays the corpus.
#include <cstddef>
#include <cstdint>

namespace fuzz {

int dialect(const uint8_t* data, size_t size); // the statement rewriter
int like(const uint8_t* data, size_t size);    // LIKE against a reference
int profile(const uint8_t* data, size_t size); // the INI reader and writer
int jpeg(const uint8_t* data, size_t size);    // the about box's decoder
int csv(const uint8_t* data, size_t size);     // lists saved as text
int zipXml(const uint8_t* data, size_t size);  // workbooks and collections

} // namespace fuzz
