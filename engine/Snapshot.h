#pragma once
// The rows of an open query, kept compactly: one array per column (numbers
// in place, text as UTF-8 in a shared arena), all in fixed-size chunks so
// that growing never copies what is already there.
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

template <class T> class ChunkedArray {
public:
    static constexpr size_t kShift = 14; // 16384 elements a chunk
    static constexpr size_t kChunk = size_t(1) << kShift;
    void push_back(const T& v) {
        if ((m_size & (kChunk - 1)) == 0)
            m_chunks.emplace_back(new T[kChunk]);
        m_chunks.back()[m_size & (kChunk - 1)] = v;
        ++m_size;
    }
    T& operator[](size_t i) { return m_chunks[i >> kShift][i & (kChunk - 1)]; }
    const T& operator[](size_t i) const { return m_chunks[i >> kShift][i & (kChunk - 1)]; }
    size_t size() const { return m_size; }
    void clear() {
        m_chunks.clear();
        m_size = 0;
    }

private:
    std::vector<std::unique_ptr<T[]>> m_chunks;
    size_t m_size = 0;
};

// Stores UTF-8 texts back to back in large blocks; a text is addressed by
// one 32-bit offset into the whole arena and its 32-bit length.
class TextArena {
public:
    struct Ref {
        uint32_t offset;
        uint32_t length;
    };
    Ref add(std::string_view text);
    std::string_view view(Ref r) const {
        if (r.length == 0)
            return {};
        return {m_blocks[r.offset >> kShift].get() + (r.offset & (kBlock - 1)), r.length};
    }
    void clear() {
        m_blocks.clear();
        m_used = kBlock;
    }
    size_t memoryUse() const { return m_blocks.size() * size_t(kBlock); }

private:
    static constexpr uint32_t kShift = 20; // 1 MiB blocks
    static constexpr uint32_t kBlock = uint32_t(1) << kShift;
    // A text longer than a block gets blocks of its own: the first slot
    // holds it, the following slots stay empty so offsets keep counting.
    std::vector<std::unique_ptr<char[]>> m_blocks;
    uint32_t m_used = kBlock;
};

class Snapshot {
public:
    enum class Storage : uint8_t { Integer, Real, Text };

    void reset(const std::vector<Storage>& columns);
    size_t columnCount() const { return m_columns.size(); }
    size_t rowCount() const { return m_rows; }
    Storage storage(size_t column) const { return m_columns[column].storage; }

    // Appending a row: set each column once, then finishRow().
    void appendNull(size_t column);
    void appendInteger(size_t column, int64_t v);
    void appendReal(size_t column, double v);
    void appendText(size_t column, std::string_view v);
    void finishRow();

    bool isNull(size_t row, size_t column) const {
        const auto& nulls = m_columns[column].nulls;
        return (nulls[row >> 6] >> (row & 63)) & 1u;
    }
    int64_t integer(size_t row, size_t column) const { return m_columns[column].ints[row]; }
    double real(size_t row, size_t column) const { return m_columns[column].reals[row]; }
    std::string_view text(size_t row, size_t column) const { return m_arena.view(m_columns[column].texts[row]); }

    // Overwrites one stored value (after a posted edit).
    void setNull(size_t row, size_t column);
    void setInteger(size_t row, size_t column, int64_t v);
    void setReal(size_t row, size_t column, double v);
    void setText(size_t row, size_t column, std::string_view v);

    size_t memoryUse() const;

private:
    struct Column {
        Storage storage;
        ChunkedArray<int64_t> ints;
        ChunkedArray<double> reals;
        ChunkedArray<TextArena::Ref> texts;
        std::vector<uint64_t> nulls;
    };
    void markNull(Column& c, size_t row, bool null);
    std::vector<Column> m_columns;
    TextArena m_arena;
    size_t m_rows = 0;
};

} // namespace engine
