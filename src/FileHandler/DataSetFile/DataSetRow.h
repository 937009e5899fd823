// One row of a data set file, read and written by the same two functions whether the rows
// go into Data objects or are streamed one at a time. A row holds the inputs, expected
// outputs, generated outputs and errors, each a group of numbers; an output group may be
// a label list instead ([low medium=0.25]).
#pragma once

#include "KQmessage/Export.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "DataObject/TLabelList.h"
#include "FileHandler/DataSetFile/DataSetHeader.h"
#include "FileHandler/Syntax/ParseTools.h"

namespace FileTools {

struct ZORF_EXPORT DataSetLayout {
    // Numbers per row in each group; 0 for a group that is a label list.
    std::int32_t inputs = 0;
    std::int32_t expectedOutputs = 0;
    std::int32_t generatedOutputs = 0;
    std::int32_t errors = 0;
    bool expectedLabels = false;
    bool generatedLabels = false;
    // Which data sets the rows carry: the first (inputs and expected outputs) and the
    // second (generated outputs and errors). The writer writes only their groups.
    bool first = false;
    bool second = false;
};

// The layout a header declares: "Labels" (or -1) makes a label list of an output group,
// any other negative output count is 0.
ZORF_EXPORT DataSetLayout LayoutOf(const DataSetHeader& header);
// Whether a row holds a number or a label list. A row that holds neither takes no bytes of
// the file, so reading rows must not take the time of the row count a header merely claims.
ZORF_EXPORT bool HoldsValues(const DataSetLayout& layout);

// The buffers keep their storage from row to row.
struct ZORF_EXPORT DataSetRow {
    std::vector<double> inputs;
    std::vector<double> expectedOutputs;
    std::vector<double> generatedOutputs;
    std::vector<double> errors;
    TLabelList expectedLabels;
    TLabelList generatedLabels;
};

// The next row inside the block `blockdef`: the four groups of numbers in order, then the
// expected-output label list, then the generated-output one. An error names the row (the
// `rowIndex`-th of the file, from 0) and the value of the row it met.
ZORF_EXPORT void ReadDataSetRow(ScratchBuffer& scratch, InputStream& in, std::string_view blockdef,
                                const DataSetLayout& layout, std::int64_t rowIndex,
                                DataSetRow& row);
// How the writer spells the values: as the programs write their outputs, in the 15-digit
// general format, or in the shortest form that reads back as the same double.
enum class TNumberForm { Significant15, RoundTrip };

// Each value followed by a blank, two more blanks between groups, a label list in the place
// of the group it replaces, and a line end.
ZORF_EXPORT void WriteDataSetRow(OutputStream& out, const DataSetLayout& layout,
                                 const DataSetRow& row,
                                 TNumberForm form = TNumberForm::Significant15);

// "[", labels separated by white space (name, or name=degree), "]"; comments may stand
// before the "[".
ZORF_EXPORT TLabelList ReadLabelList(ScratchBuffer& scratch, InputStream& in);
// [low medium=0.250000000 ] and a blank.
ZORF_EXPORT void WriteLabelList(OutputStream& out, const TLabelList& labels);

}  // namespace FileTools
