#include "engine/Snapshot.h"

#include "engine/EngineError.h"

#include <cstring>

namespace engine {

TextArena::Ref TextArena::add(std::string_view text) {
    const size_t len = text.size();
    if (len == 0)
        return {0, 0}; // needs no block, and addresses none
    if (m_blocks.empty() || len > kBlock - m_used) {
        const size_t blockCount = len > kBlock ? (len + kBlock - 1) / kBlock : 1;
        if ((m_blocks.size() + blockCount) > (size_t(1) << (32 - kShift)))
            throw EngineError(QStringLiteral("Результат запроса слишком велик для памяти программы"));
        m_blocks.emplace_back(new char[blockCount * kBlock]);
        for (size_t k = 1; k < blockCount; ++k)
            m_blocks.emplace_back();
        m_used = 0;
        const uint32_t offset = static_cast<uint32_t>((m_blocks.size() - blockCount) << kShift);
        std::memcpy(m_blocks[m_blocks.size() - blockCount].get(), text.data(), len);
        if (blockCount > 1) {
            m_used = kBlock; // the next text starts a fresh block
            return {offset, static_cast<uint32_t>(len)};
        }
        m_used = static_cast<uint32_t>(len);
        return {offset, static_cast<uint32_t>(len)};
    }
    const uint32_t offset = static_cast<uint32_t>(((m_blocks.size() - 1) << kShift) + m_used);
    std::memcpy(m_blocks.back().get() + m_used, text.data(), len);
    m_used += static_cast<uint32_t>(len);
    return {offset, static_cast<uint32_t>(len)};
}

void Snapshot::reset(const std::vector<Storage>& columns) {
    m_columns.clear();
    m_columns.resize(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
        m_columns[c].storage = columns[c];
        m_columns[c].nulls.push_back(0);
    }
    m_arena.clear();
    m_rows = 0;
}

void Snapshot::markNull(Column& c, size_t row, bool null) {
    const size_t word = row >> 6;
    if (word >= c.nulls.size())
        c.nulls.resize(word + 1, 0);
    const uint64_t bit = uint64_t(1) << (row & 63);
    c.nulls[word] = null ? (c.nulls[word] | bit) : (c.nulls[word] & ~bit);
}

void Snapshot::finishRow() {
    ++m_rows;
    // Room for the next 64 rows' Null bits, all clear: appending a value
    // then needs no bit work at all.
    if ((m_rows & 63) == 0)
        for (Column& c : m_columns)
            c.nulls.push_back(0);
}

void Snapshot::appendNull(size_t column) {
    Column& c = m_columns[column];
    c.nulls[m_rows >> 6] |= uint64_t(1) << (m_rows & 63);
    switch (c.storage) {
    case Storage::Integer: c.ints.push_back(0); break;
    case Storage::Real: c.reals.push_back(0); break;
    case Storage::Text: c.texts.push_back({0, 0}); break;
    }
}

void Snapshot::appendInteger(size_t column, int64_t v) {
    Column& c = m_columns[column];
    c.ints.push_back(v);
}

void Snapshot::appendReal(size_t column, double v) {
    Column& c = m_columns[column];
    c.reals.push_back(v);
}

void Snapshot::appendText(size_t column, std::string_view v) {
    Column& c = m_columns[column];
    c.texts.push_back(m_arena.add(v));
}

void Snapshot::setNull(size_t row, size_t column) { markNull(m_columns[column], row, true); }

void Snapshot::setInteger(size_t row, size_t column, int64_t v) {
    markNull(m_columns[column], row, false);
    m_columns[column].ints[row] = v;
}

void Snapshot::setReal(size_t row, size_t column, double v) {
    markNull(m_columns[column], row, false);
    m_columns[column].reals[row] = v;
}

void Snapshot::setText(size_t row, size_t column, std::string_view v) {
    markNull(m_columns[column], row, false);
    m_columns[column].texts[row] = m_arena.add(v);
}

size_t Snapshot::memoryUse() const {
    size_t bytes = m_arena.memoryUse();
    for (const Column& c : m_columns) {
        const size_t chunks = (m_rows + decltype(c.ints)::kChunk - 1) / decltype(c.ints)::kChunk;
        const size_t per = c.storage == Storage::Integer ? sizeof(int64_t)
                           : c.storage == Storage::Real  ? sizeof(double)
                                                         : sizeof(TextArena::Ref);
        bytes += chunks * decltype(c.ints)::kChunk * per + c.nulls.capacity() * sizeof(uint64_t);
    }
    return bytes;
}

} // namespace engine
