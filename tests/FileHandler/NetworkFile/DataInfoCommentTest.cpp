// The network's data description: written as a comment at the start of the network file, read
// back unchanged, skipped by a reader that knows nothing of it, and refused where broken.
#include "FileHandler/NetworkFile/DataInfoComment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FileHandler/NetworkFile/NetworkFile.h"
#include "FileHandler/NetworkFile/NetworkFileWriter.h"
#include "FileHandler/NetworkFile/NetworkSoundness.h"
#include "Zorf/MakeZorf.h"

namespace {

std::string WrittenText(TBasicNetwork& network) {
    FileTools::OutputStream out;
    FileTools::WriteNetwork(out, network);
    return out.Text();
}

std::unique_ptr<TZorf> ReadText(const std::string& text) {
    FileTools::ScratchBuffer scratch;
    FileTools::InputStream in(text);
    return FileTools::ReadRecallableZorf(scratch, in);
}

TZorfDataInfo Described() {
    TZorfDataInfo info;
    info.inputs = {{"alcohol */ /* \"x\" 100%", TZorfRange{11.03, 14.83}, {"low", "high"}},
                   {"colour", std::nullopt, {}}};
    info.outputs = {{"kind=a", TZorfRange{-0.1, 1e300}, {}}, {"kind=b", std::nullopt, {}}};
    info.classColumns = {{"kind", 0, {"a", "b"}}};
    return info;
}

TEST(DataInfoComment, RoundTripsAndIsACommentToEveryReader) {
    const std::unique_ptr<TZorf> network = MakeZorf({{2, 3}, 4, {2, 2}, 7});
    const std::string plain = WrittenText(*network);
    network->SetDataInfo(Described());
    const std::string described = WrittenText(*network);
    ASSERT_TRUE(described.starts_with(FileTools::kDataInfoMarker));
    const std::unique_ptr<TZorf> read = ReadText(described);
    EXPECT_EQ(read->DataInfo(), Described());
    EXPECT_EQ(WrittenText(*read), described);
    // Without the description (as a reader of the format sees the file) the weights and the
    // rest of the file are as they were.
    const std::size_t end = described.find("*/\n");
    ASSERT_NE(end, std::string::npos);
    const std::string stripped = described.substr(end + 3);
    EXPECT_EQ(stripped, plain);
    const std::unique_ptr<TZorf> bare = ReadText(stripped);
    EXPECT_TRUE(bare->DataInfo().Empty());
    for (std::int32_t layer = 1; layer <= 4; ++layer) {
        EXPECT_EQ(bare->GetWeightLayer(layer), read->GetWeightLayer(layer)) << layer;
    }
}

TEST(DataInfoComment, RefusesABrokenOrUnfittingDescription) {
    const std::unique_ptr<TZorf> network = MakeZorf({{2, 3}, 4, {2, 2}, 7});
    const std::string plain = WrittenText(*network);
    const struct {
        std::string description;
        std::string message;
    } cases[] = {
        {"/* ZorfData\ninput \"a\" range 1\n*/\n",
         "The data description of the network is broken: the high end of a range is missing"},
        {"/* ZorfData\nweight \"a\"\n*/\n",
         "The data description of the network is broken: unknown entry weight"},
        {"/* ZorfData\ninput \"a\" range 2 1\n*/\n",
         "The data description of the network is broken: a range runs from its low end to its "
         "high end"},
        {"/* ZorfData\ninput \"a%4\"\n*/\n",
         "The data description of the network is broken: a '%' in a name must be followed by two "
         "hex digits"},
        {"/* ZorfData\ninput \"a\"\n*/\n",
         "The data description of the network does not fit it: it names 1 inputs, the network "
         "has 2"},
        {"/* ZorfData\nclasses \"k\" 1 \"a\" \"b\"\n*/\n",
         "The data description of the network does not fit it: the classes of k are not outputs "
         "of the network"},
    };
    for (const auto& c : cases) {
        try {
            ReadText(c.description + plain);
            ADD_FAILURE() << c.description;
        } catch (const FileTools::Error& e) {
            EXPECT_EQ(e.message, c.message) << c.description;
        }
    }
}

}  // namespace
