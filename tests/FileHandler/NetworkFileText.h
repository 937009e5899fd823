// Network file texts for the reader's tests, and what reading one gives.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "FileHandler/NetworkFile/NetworkFile.h"
#include "FileHandler/ReadFailure.h"
#include "KQmessage/TException.h"

// A whole network file: the header with the given items, then the layer and connection blocks.
inline std::string NetworkText(const std::string& type, const std::string& info,
                               const std::string& blocks) {
    return "[NeuralNetwork]\n[NetworkType = " + type + "]\n[NetworkInformation]\n" + info +
           "\n[~NetworkInformation]\n" + blocks + "\n[~NeuralNetwork]\n";
}

// A network file of a plain two-layer network: no fuzzy network, for the programs to refuse.
inline std::string BasicNetworkText() {
    return NetworkText("Basic", "[NumberOfLayers = 2]",
                       "[Layer = 0][LayerType = Simple][NumberOfNeurons = 0][~Layer]"
                       "[Layer = 1][LayerType = Input][NumberOfNeurons = 2][~Layer]");
}

inline std::unique_ptr<TBasicNetwork> ReadNetworkText(const std::string& text) {
    FileTools::ScratchBuffer scratch;
    FileTools::InputStream in(text);
    return FileTools::ReadNetwork(scratch, in);
}

// What reading the text stops with (a refused argument of the network as its message);
// empty when it is read.
inline std::string NetworkFailure(const std::string& text) {
    std::string message;
    const std::string failure = ReadFailure([&] {
        try {
            ReadNetworkText(text);
        } catch (const TException& e) {
            message = e.message;
        }
    });
    return message.empty() ? failure : message;
}

// A file of tests/data.
inline std::string TestDataFile(const std::string& name) {
    std::ifstream in(std::string(ZORF_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The text with its first `from` replaced by `to`.
inline std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}
