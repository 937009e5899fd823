// Recalls three readings held in memory through a fuzzy network file (such as
// examples/comfort.net) and prints each row's generated outputs.
#include <zorf/DataObject/Data.h>
#include <zorf/FileHandler/NetworkFile/NetworkFile.h>
#include <zorf/KQmessage/NumberText.h>
#include <zorf/Version.h>
#include <zorf/Zorf/TZorf.h>

#include <array>
#include <exception>
#include <iostream>

int main(int argc, char** argv) try {
    if (argc != 2) {
        std::cerr << "Usage: consumer network.file   (zorf " ZORF_VERSION ")\n";
        return 1;
    }
    FileTools::ScratchBuffer scratch;
    const std::unique_ptr<TBasicNetwork> loaded = FileTools::LoadNetwork(scratch, argv[1]);
    auto* network = dynamic_cast<TZorf*>(loaded.get());
    if (network == nullptr) {
        std::cerr << argv[1] << " holds no fuzzy network\n";
        return 1;
    }
    const double readings[3][2] = {{0.1, 0.2}, {0.5, 0.5}, {0.9, 0.9}};
    Data rows(3, 2, 0, false);
    for (const auto& reading : readings) {
        rows.AppendRow(reading, {}, nullptr);
    }
    const std::unique_ptr<Data> outputs = network->RecallOutputOnly(&rows);
    std::array<char, NumberText::kGeneralTextSize> text{};
    for (std::int32_t row = 0; row < outputs->MbrNdxDataRows; ++row) {
        for (std::int32_t column = 0; column < outputs->MbrNdxOutputs; ++column) {
            std::cout << NumberText::FormatGeneral(text, outputs->GetOutputDatum(row, column), 6)
                      << ' ';
        }
        std::cout << '\n';
    }
    return 0;
} catch (const std::exception& failure) {
    // The library's refusals (a file that cannot be read, a network that does not fit).
    std::cerr << failure.what() << '\n';
    return 1;
}
