// What a network knows of the data it was made for: the names of its inputs and outputs, the
// range of each in the user's own units, the labels of each input's functions, and the class
// names behind one-hot outputs. It changes nothing the network computes; the programs use it
// to pick the columns of a CSV file by name, to give outputs in their units and classes by
// name, and to title plots.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TZorfRange {
    double low = 0.0;
    double high = 1.0;
    bool operator==(const TZorfRange&) const = default;
};

// A value in a range's units from the network's [0, 1], and back; a range of one value takes
// the middle of [0, 1].
inline double InUnits(const TZorfRange& range, double value) {
    return range.low + value * (range.high - range.low);
}
inline double InUnitInterval(const TZorfRange& range, double value) {
    return range.high > range.low ? (value - range.low) / (range.high - range.low) : 0.5;
}

struct TZorfColumnInfo {
    std::string name;
    std::optional<TZorfRange> range;
    // An input's: the labels of its functions, in order; none when the user gave none.
    std::vector<std::string> labels;
    bool operator==(const TZorfColumnInfo&) const = default;
};

// A target column of classes: outputs firstOutput, firstOutput + 1, ... answer one class each.
struct TZorfClassColumn {
    std::string name;
    std::int32_t firstOutput = 0;
    std::vector<std::string> classes;
    bool operator==(const TZorfClassColumn&) const = default;
};

struct TZorfDataInfo {
    // One per input and one per output of the network, or none at all.
    std::vector<TZorfColumnInfo> inputs;
    std::vector<TZorfColumnInfo> outputs;
    std::vector<TZorfClassColumn> classColumns;

    bool Empty() const { return inputs.empty() && outputs.empty() && classColumns.empty(); }
    // The class column whose classes output `output` answers, or null.
    const TZorfClassColumn* ClassColumnOf(std::int32_t output) const {
        for (const TZorfClassColumn& column : classColumns) {
            if (output >= column.firstOutput &&
                output < column.firstOutput + static_cast<std::int32_t>(column.classes.size())) {
                return &column;
            }
        }
        return nullptr;
    }
    bool operator==(const TZorfDataInfo&) const = default;
};

// An axis title: "input 2", or "input 2: alcohol" where a name is recorded.
inline std::string ColumnTitle(const std::vector<TZorfColumnInfo>& columns, const std::string& kind,
                               std::size_t index) {
    std::string title = kind + " " + std::to_string(index);
    if (index < columns.size() && !columns[index].name.empty()) {
        title += ": " + columns[index].name;
    }
    return title;
}
