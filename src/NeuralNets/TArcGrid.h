#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// One value per arc of a matrix, in one contiguous block with a row per target neuron, so
// that a target's source values lie side by side. The entry of arc (s, t) is row t, column s.
template <class T>
class TArcGrid {
  public:
    TArcGrid() = default;
    TArcGrid(std::int32_t rows, std::int32_t columns, T fill)
        : numFrom(columns), array(Size(rows, columns), fill) {
        IndexRows(rows);
    }
    TArcGrid(const TArcGrid& other) : numFrom(other.numFrom), array(other.array) {
        IndexRows(other.NumTo());
    }
    TArcGrid& operator=(const TArcGrid& other) {
        numFrom = other.numFrom;
        array = other.array;
        IndexRows(other.NumTo());
        return *this;
    }

    std::int32_t NumFrom() const { return numFrom; }
    std::int32_t NumTo() const { return static_cast<std::int32_t>(index.size()); }

    T* Row(std::int32_t t) { return index[static_cast<std::size_t>(t)]; }
    const T* Row(std::int32_t t) const { return index[static_cast<std::size_t>(t)]; }
    T& At(std::int32_t s, std::int32_t t) { return Row(t)[s]; }
    std::vector<T>& Array() { return array; }

    void RemoveColumn(std::int32_t k) {
        Rebuild(NumTo(), numFrom - 1, T{}, [k](std::int32_t t, std::int32_t s) {
            return Cell{t, s < k ? s : s + 1};
        });
    }

    void RemoveRow(std::int32_t k) {
        Rebuild(NumTo() - 1, numFrom, T{}, [k](std::int32_t t, std::int32_t s) {
            return Cell{t < k ? t : t + 1, s};
        });
    }

    // The new column k holds fill.
    void InsertColumn(std::int32_t k, T fill) {
        Rebuild(NumTo(), numFrom + 1, fill, [k](std::int32_t t, std::int32_t s) {
            return s == k ? Cell{-1, -1} : Cell{t, s < k ? s : s - 1};
        });
    }

    // The new row k holds fill.
    void InsertRow(std::int32_t k, T fill) {
        Rebuild(NumTo() + 1, numFrom, fill, [k](std::int32_t t, std::int32_t s) {
            return t == k ? Cell{-1, -1} : Cell{t < k ? t : t - 1, s};
        });
    }

  private:
    // A position in the old grid; row -1 for a new cell.
    struct Cell {
        std::int32_t t;
        std::int32_t s;
    };

    std::int32_t numFrom = 0;
    std::vector<T> array;
    std::vector<T*> index;

    static std::size_t Size(std::int32_t rows, std::int32_t columns) {
        return static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    }

    void IndexRows(std::int32_t rows) {
        index.resize(static_cast<std::size_t>(rows));
        for (std::size_t t = 0; t < index.size(); ++t) {
            index[t] = array.data() + t * static_cast<std::size_t>(numFrom);
        }
    }

    template <class OldCellOf>
    void Rebuild(std::int32_t newTo, std::int32_t newFrom, T fill, OldCellOf oldCellOf) {
        std::vector<T> rebuilt(Size(newTo, newFrom), fill);
        for (std::int32_t t = 0; t < newTo; ++t) {
            for (std::int32_t s = 0; s < newFrom; ++s) {
                const Cell old = oldCellOf(t, s);
                if (old.t >= 0) {
                    rebuilt[static_cast<std::size_t>(t) * newFrom + s] = At(old.s, old.t);
                }
            }
        }
        array = std::move(rebuilt);
        numFrom = newFrom;
        IndexRows(newTo);
    }
};
