#pragma once
// Little-endian integers as the Jet format stores them.
#include <cstdint>

namespace jet {

inline int le16(const unsigned char* p) { return p[0] | p[1] << 8; }
inline uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline const unsigned char* bytesOf(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

} // namespace jet
