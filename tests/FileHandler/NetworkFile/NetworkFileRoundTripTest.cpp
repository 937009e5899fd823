// Networks written, read back and written again: the reader and the writer agree on every
// layer, function, parameter, arc, weight and trainable flag.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FileHandler/NetworkFile/NetworkFile.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/RandomNetworks.h"

namespace {

std::string WrittenText(TBasicNetwork& network) {
    FileTools::OutputStream out;
    FileTools::WriteNetwork(out, network);
    return out.Text();
}

std::unique_ptr<TBasicNetwork> ReadText(const std::string& text) {
    FileTools::ScratchBuffer scratch;
    FileTools::InputStream in(text);
    return FileTools::ReadNetwork(scratch, in);
}

std::vector<double> Outputs(TBasicNetwork& network, const std::vector<double>& row) {
    std::vector<double> outputs(
        static_cast<std::size_t>(network.GetLayer(network.GetOutLayer())->GetNumNeurons()));
    network.Propagate(row.data(), outputs.data());
    return outputs;
}

TEST(NetworkFileRoundTrip, ReadingBackGivesTheSameFileAndTheSameOutputs) {
    TRandomNetworks networks(20240611, true);
    for (int n = 0; n < 200; ++n) {
        const std::unique_ptr<TBasicNetwork> original = networks.Next();
        const std::string text = WrittenText(*original);
        const std::unique_ptr<TBasicNetwork> read = ReadText(text);
        ASSERT_EQ(WrittenText(*read), text) << "network " << n;
        for (const std::vector<double>& row : networks.Rows(*original, 4)) {
            ASSERT_EQ(Outputs(*read, row), Outputs(*original, row)) << "network " << n << "\n"
                                                                    << text;
        }
    }
}

// Values the file rounds to 15 decimals or 15 significant digits are read back as the
// nearest doubles, which the next write rounds to the same texts.
TEST(NetworkFileRoundTrip, RoundedValuesKeepTheirTextFromTheFirstWriteOn) {
    TRandomNetworks networks(77, false);
    for (int n = 0; n < 100; ++n) {
        const std::unique_ptr<TBasicNetwork> original = networks.Next();
        const std::string text = WrittenText(*original);
        ASSERT_EQ(WrittenText(*ReadText(text)), text) << "network " << n;
    }
}

}  // namespace
