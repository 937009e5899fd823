// Writes a recall file of N rows of random inputs, row by row with the data set writer, so
// that cases of any size can be made without holding them:
//
//   MakeRecallRows ROWS INPUTS SEED FILE
//
// The inputs are drawn uniformly from [-0.1, 1.1), a little beyond the membership functions'
// centres on both sides, and written as the system writes every number (15 significant
// digits), so the file reads like one RecallZorf itself would write.
#include <charconv>
#include <cstdint>
#include <iostream>
#include <random>
#include <string_view>

#include "FileHandler/DataSetFile/DataSetHeader.h"
#include "FileHandler/DataSetFile/DataSetRow.h"
#include "FileHandler/DataSetFile/Filer.h"
#include "FileHandler/Syntax/OutputStream.h"

namespace {

template <class Number>
bool ParseArgument(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    std::int32_t rows = 0;
    std::int32_t inputs = 0;
    std::uint64_t seed = 0;
    if (argc != 5 || !ParseArgument(argv[1], rows) || !ParseArgument(argv[2], inputs) ||
        !ParseArgument(argv[3], seed) || rows < 0 || inputs < 1) {
        std::cerr << "Usage: MakeRecallRows ROWS INPUTS SEED FILE\n";
        return 1;
    }
    FileTools::DataSetHeader header;
    header.rows = rows;
    header.inputs = inputs;
    const FileTools::DataSetLayout layout = FileTools::LayoutOf(header);
    FileTools::OutputStream out = FileTools::OutputStream::ReplaceFile(argv[4]);
    FileTools::WriteDataSetHeader(out, header);
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> input(-0.1, 1.1);
    FileTools::DataSetRow row;
    row.inputs.resize(static_cast<std::size_t>(inputs));
    for (std::int32_t r = 0; r < rows; ++r) {
        for (double& value : row.inputs) {
            value = input(random);
        }
        FileTools::WriteDataSetRow(out, layout, row);
    }
    FileTools::WriteDataSetTrailer(out);
    if (!out.Commit()) {
        std::cerr << "MakeRecallRows: cannot write " << argv[4] << "\n";
        return 1;
    }
    return 0;
}
