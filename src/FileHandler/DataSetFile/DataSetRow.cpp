#include "FileHandler/DataSetFile/DataSetRow.h"

#include "KQmessage/Check.h"

namespace FileTools {

namespace {

constexpr int kSignificantDigits = 15;
constexpr int kLabelDecimals = 9;

// Counts as the header gives them, with "Labels" and negative output counts settled.
std::int32_t NumbersOf(std::int32_t count) {
    return count < 0 ? 0 : count;
}

// `count` numbers into `values`; `column` counts the values of the row read so far, so that
// an error can say which value it met.
void ReadNumbers(ScratchBuffer& scratch, InputStream& in, std::string_view blockdef,
                 std::int32_t count, std::vector<double>& values, std::int64_t& column) {
    // The row before had as many numbers, except for the first row: the storage a row takes
    // is what the file really holds, grown as the numbers arrive.
    if (values.size() == static_cast<std::size_t>(count)) {
        for (double& value : values) {
            value = ReadNumberItem(scratch, in, blockdef);
            ++column;
        }
        return;
    }
    values.clear();
    for (std::int32_t i = 0; i < count; ++i) {
        values.push_back(ReadNumberItem(scratch, in, blockdef));
        ++column;
    }
}

void WriteNumbers(OutputStream& out, const std::vector<double>& values, TNumberForm form) {
    for (const double value : values) {
        if (form == TNumberForm::RoundTrip) {
            out.WriteShortest(value);
        } else {
            out.WriteGeneral(value, kSignificantDigits);
        }
        out.Put(' ');
    }
}

void WriteGroup(OutputStream& out, bool labelled, const TLabelList& labels,
                const std::vector<double>& values, TNumberForm form) {
    if (labelled) {
        WriteLabelList(out, labels);
    } else {
        WriteNumbers(out, values, form);
    }
}

// Separators and comments before a label list.
int SkipSpaceAndComments(InputStream& in) {
    for (;;) {
        const int byte = SkipSeparators(in);
        if (byte != '/') {
            return byte;
        }
        const int second = in.Get();
        if (second != '*') {
            if (second != InputStream::kEnd) {
                in.Unget();
            }
            return byte;
        }
        SkipComment(in);
    }
}

}  // namespace

DataSetLayout LayoutOf(const DataSetHeader& header) {
    DataSetLayout layout;
    layout.inputs = NumbersOf(header.inputs);
    layout.expectedOutputs = NumbersOf(header.expectedOutputs);
    layout.generatedOutputs = NumbersOf(header.generatedOutputs);
    layout.errors = NumbersOf(header.errors);
    layout.expectedLabels = header.expectedOutputs == kLabels;
    layout.generatedLabels = header.generatedOutputs == kLabels;
    layout.first = layout.inputs > 0 || layout.expectedOutputs > 0 || layout.expectedLabels;
    layout.second = layout.generatedOutputs > 0 || layout.errors > 0 || layout.generatedLabels;
    return layout;
}

bool HoldsValues(const DataSetLayout& layout) {
    return layout.first || layout.second;
}

void ReadDataSetRow(ScratchBuffer& scratch, InputStream& in, std::string_view blockdef,
                    const DataSetLayout& layout, std::int64_t rowIndex, DataSetRow& row) {
    std::int64_t column = 0;
    try {
        ReadNumbers(scratch, in, blockdef, layout.inputs, row.inputs, column);
        ReadNumbers(scratch, in, blockdef, layout.expectedOutputs, row.expectedOutputs, column);
        ReadNumbers(scratch, in, blockdef, layout.generatedOutputs, row.generatedOutputs, column);
        ReadNumbers(scratch, in, blockdef, layout.errors, row.errors, column);
        if (layout.expectedLabels) {
            row.expectedLabels = ReadLabelList(scratch, in);
            ++column;
        }
        if (layout.generatedLabels) {
            row.generatedLabels = ReadLabelList(scratch, in);
        }
    } catch (Error& error) {
        error.row = rowIndex + 1;
        error.column = column + 1;
        throw;
    }
}

void WriteDataSetRow(OutputStream& out, const DataSetLayout& layout, const DataSetRow& row,
                     TNumberForm form) {
    if (layout.first) {
        WriteNumbers(out, row.inputs, form);
        out.Write("  ");
        WriteGroup(out, layout.expectedLabels, row.expectedLabels, row.expectedOutputs, form);
    }
    if (layout.second) {
        out.Write("  ");
        WriteGroup(out, layout.generatedLabels, row.generatedLabels, row.generatedOutputs, form);
        out.Write("  ");
        WriteNumbers(out, row.errors, form);
    }
    out.Put('\n');
}

TLabelList ReadLabelList(ScratchBuffer& scratch, InputStream& in) {
    int byte = SkipSpaceAndComments(in);
    if (byte == InputStream::kEnd) {
        ZORF_REFUSE("streamOK");
    }
    if (byte != '[') {
        ZORF_REFUSE("ch == '['");
    }
    byte = SkipSeparators(in);
    if (byte == InputStream::kEnd) {
        ZORF_REFUSE("streamOK");
    }
    TLabelList labels;
    if (byte == ']') {
        return labels;
    }
    in.Unget();
    for (;;) {
        const BlockItem item = ReadBlockItem(scratch, in, {}, true);
        if (item.kind == ItemKind::EndOfBlock) {
            ZORF_REFUSE("false");
        }
        labels.AddLabel(item.name,
                        item.kind == ItemKind::KeyValue ? ParseNumber(in, item.value) : 1.0);
        if (!item.more) {
            return labels;
        }
    }
}

void WriteLabelList(OutputStream& out, const TLabelList& labels) {
    out.Put('[');
    for (const TLabel& label : labels.Labels()) {
        out.Write(label.name);
        if (label.value != 1.0) {
            out.Put('=');
            out.WriteFixed(label.value, kLabelDecimals);
        }
        out.Put(' ');
    }
    out.Write("] ");
}

}  // namespace FileTools
