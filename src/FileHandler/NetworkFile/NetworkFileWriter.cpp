#include "FileHandler/NetworkFile/NetworkFileWriter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "FileHandler/NetworkFile/DataInfoComment.h"
#include "FileHandler/NetworkFile/SaveZorf.h"
#include "FileHandler/NetworkFile/TIterateObjCount.h"
#include "FileHandler/NetworkFile/TIterateObjSaveWeights.h"
#include "FileHandler/Syntax/FileMessages.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "KQmessage/NumberText.h"
#include "KQmessage/StrCaseCmp.h"
#include "Zorf/TZorf.h"

namespace FileTools {

namespace {

// Decimals of the values written in fixed notation; significant digits and field width of
// the weights of a dense matrix.
constexpr int kDecimals = 15;
constexpr int kMatrixSignificant = 15;
constexpr std::size_t kMatrixField = kDecimals + 5;
// A matrix with fewer arcs than this share of its pairs is written as a list of its arcs.
constexpr double kWeightListShare = 0.35;

// The header of a dense matrix numbers its columns in fields that line up with the rows:
// wider ones where every entry carries its trainable flag.
constexpr std::size_t kFirstColumnField = 13;
constexpr std::size_t kColumnField = 21;
constexpr std::size_t kTrainableInfoField = 2;

void WriteRightAligned(OutputStream& out, std::string_view text, std::size_t width) {
    for (std::size_t filled = text.size(); filled < width; ++filled) {
        out.Put(' ');
    }
    out.Write(text);
}

void WriteInteger(OutputStream& out, std::int64_t value, std::size_t width) {
    std::array<char, NumberText::kIntegerTextSize> text{};
    WriteRightAligned(out, NumberText::FormatInteger(text, value), width);
}

// A bracket of words on its own line, such as [Attributes Pruneable Freezable ].
void WriteWords(OutputStream& out, std::initializer_list<std::string_view> words) {
    WriteOpenBracket(out, true);
    for (const std::string_view word : words) {
        WriteTag(out, word, false);
    }
    WriteCloseBracket(out, true, true);
}

std::vector<double> ParametersOf(const TBasicNeuron& neuron) {
    std::vector<double> values(static_cast<std::size_t>(neuron.GetNumParameters()));
    neuron.GetParameters(values.data());
    return values;
}

// Which parameters of neuron 0 every other neuron of the layer has under the same name and
// with the same value: those are written once for the layer.
std::vector<bool> CommonParameters(TBasicLayer& layer) {
    if (layer.GetNumNeurons() == 0) {
        return {};
    }
    const TBasicNeuron& first = *layer.GetNeuron(0);
    const std::vector<double> firstValues = ParametersOf(first);
    std::vector<bool> common(firstValues.size(), true);
    for (std::int32_t i = 1; i < layer.GetNumNeurons(); ++i) {
        const TBasicNeuron& neuron = *layer.GetNeuron(i);
        const std::vector<double> values = ParametersOf(neuron);
        for (std::size_t j = 0; j < common.size(); ++j) {
            const auto p = static_cast<std::int32_t>(j);
            common[j] =
                common[j] && j < values.size() && values[j] == firstValues[j] &&
                KQML::strcasecmp(neuron.GetParameterName(p), first.GetParameterName(p)) == 0;
        }
    }
    return common;
}

bool IsCommon(const std::vector<bool>& common, std::size_t j) {
    return j < common.size() && common[j];
}

class NetworkWriter {
  public:
    NetworkWriter(OutputStream& stream, TBasicNetwork& net)
        : out(stream), network(net), registry(net.GetFnRegistry()) {}

    void Write() {
        WriteFormatVersion(out);
        WriteTag(out, "NeuralNetwork", true);
        WriteStringValue(out, "NetworkType", network.GetNetworkType(), true);
        out.Put('\n');
        WriteInformation();
        // A layer slot that holds no layer has no block, as in the file it was read from.
        for (std::int32_t k = 0; k < network.GetNumLayers(); ++k) {
            if (TBasicLayer* layer = network.GetLayer(k)) {
                WriteLayer(k, *layer);
            }
        }
        for (std::int32_t from = 0; from < network.GetNumLayers(); ++from) {
            for (std::int32_t to = 0; to < network.GetNumLayers(); ++to) {
                TBasicConnections& matrix = network.GetConnections(from, to);
                if (matrix.IsConnected()) {
                    WriteConnectionLayer(from, to, matrix);
                }
            }
        }
        out.Put('\n');
        WriteEndTag(out, "NeuralNetwork");
    }

  private:
    OutputStream& out;
    TBasicNetwork& network;
    const TFnRegistry& registry;

    std::int32_t NumNeurons(std::int32_t k) const { return network.GetLayer(k)->GetNumNeurons(); }

    void WriteInformation() {
        WriteTag(out, "NetworkInformation", true);
        WriteIntegerValue(out, "NumberOfLayers", network.GetNumLayers(), true);
        WriteIntegerValue(out, "InputLayer", network.GetInLayer(), true);
        WriteIntegerValue(out, "OutputLayer", network.GetOutLayer(), true);
        if (network.GetLayer(network.GetInLayer()) != nullptr) {
            WriteIntegerValue(out, "NumberOfInputs", NumNeurons(network.GetInLayer()), true);
        }
        if (network.GetLayer(network.GetOutLayer()) != nullptr) {
            WriteIntegerValue(out, "NumberOfOutputs", NumNeurons(network.GetOutLayer()), true);
        }
        const TActFunction bias = registry.GetFunction("bias");
        for (std::int32_t k = 0; k < network.GetNumLayers(); ++k) {
            TBasicLayer* layer = network.GetLayer(k);
            if (layer == nullptr || layer->GetNumNeurons() == 0 ||
                layer->GetActivationFunction() != bias) {
                continue;
            }
            if (layer->GetNumNeurons() != 1) {
                throw Error(Messages::kIllegalBiasNodes);
            }
            WriteIntegerValue(out, "BiasLayer", k, true);
        }
        WriteEndTag(out, "NetworkInformation");
    }

    void WriteLayer(std::int32_t k, TBasicLayer& layer) {
        out.Put('\n');
        WriteIntegerValue(out, "Layer", k, true);
        WriteStringValue(out, "LayerType", layer.GetLayerType(), true);
        WriteIntegerValue(out, "NumberOfNeurons", layer.GetNumNeurons(), true);
        const TActFunction function = layer.GetActivationFunction();
        if (function != nullptr) {
            WriteOpenBracket(out, true);
            WriteTag(out, "All", false);
            WriteStringValue(out, "ActivationFunction", registry.GetFunctionName(function), false);
            WriteCloseBracket(out, true, true);
        }
        WriteMembershipArray(layer);
        const std::vector<bool> common = CommonParameters(layer);
        WriteCommonParameters(layer, common);
        const bool allCommon = std::find(common.begin(), common.end(), false) == common.end();
        if (function == nullptr || !allCommon) {
            WriteNeurons(layer, function == nullptr, common);
        }
        WriteEndTag(out, "Layer");
    }

    void WriteMembershipArray(const TBasicLayer& layer) {
        if (const auto* conditions = dynamic_cast<const TConditionLayer*>(&layer)) {
            WriteInputMembershipArray(out, *conditions);
        } else if (const auto* outputs = dynamic_cast<const TZorfOutputLayer*>(&layer)) {
            WriteOutputMembershipArray(out, *outputs);
        }
    }

    void WriteCommonParameters(TBasicLayer& layer, const std::vector<bool>& common) {
        if (common.empty()) {
            return;
        }
        const TBasicNeuron& first = *layer.GetNeuron(0);
        const std::vector<double> values = ParametersOf(first);
        for (std::size_t j = 0; j < common.size(); ++j) {
            if (!common[j]) {
                continue;
            }
            WriteOpenBracket(out, true);
            WriteTag(out, "All", false);
            WriteLimitedNumberValue(out, first.GetParameterName(static_cast<std::int32_t>(j)),
                                    values[j], kDecimals, false);
            WriteCloseBracket(out, true, true);
        }
    }

    // One entry per neuron with what the layer lines did not give for all of them.
    void WriteNeurons(TBasicLayer& layer, bool withFunctions, const std::vector<bool>& common) {
        WriteTag(out, "Neurons", true);
        for (std::int32_t i = 0; i < layer.GetNumNeurons(); ++i) {
            const TBasicNeuron& neuron = *layer.GetNeuron(i);
            WriteOpenBracket(out, true);
            WriteIntegerValue(out, "Neuron", i, false);
            if (withFunctions) {
                WriteStringValue(out, "ActivationFunction",
                                 registry.GetFunctionName(neuron.actFunction), false);
            }
            const std::vector<double> values = ParametersOf(neuron);
            for (std::size_t j = 0; j < values.size(); ++j) {
                if (!IsCommon(common, j)) {
                    WriteLimitedNumberValue(out,
                                            neuron.GetParameterName(static_cast<std::int32_t>(j)),
                                            values[j], kDecimals, false);
                }
            }
            WriteCloseBracket(out, true, true);
        }
        WriteEndTag(out, "Neurons");
    }

    void WriteConnectionLayer(std::int32_t from, std::int32_t to, TBasicConnections& matrix) {
        out.Put('\n');
        WriteTag(out, "ConnectionLayer", true);
        WriteIntegerValue(out, "LayerFrom", from, true);
        WriteIntegerValue(out, "LayerTo", to, true);
        const std::string_view type = matrix.GetConnectionsNType();
        WriteStringValue(out, "ConnectionType", type, true);
        // Every matrix but a fully connected one may lose arcs and freeze them.
        const bool pruneable = KQML::strcasecmp(type, "FullyConnected") != 0;
        if (pruneable) {
            WriteWords(out, {"Attributes", "Pruneable", "Freezable"});
        } else {
            WriteWords(out, {"Attributes", "UnPrunable", "UnFreezable"});
        }
        TIterateObjCount counter;
        matrix.IterateAll(counter, FMaskExists);
        const auto pairs = static_cast<std::int64_t>(NumNeurons(from)) * NumNeurons(to);
        if (counter.count < kWeightListShare * static_cast<double>(pairs)) {
            WriteWeightList(matrix, pruneable);
        } else {
            WriteWeightMatrix(from, to, matrix, pruneable);
        }
        WriteEndTag(out, "ConnectionLayer");
    }

    void WriteWeightList(TBasicConnections& matrix, bool trainableInfo) {
        WriteTag(out, "WeightList", true);
        TIterateObjSaveWeights saver(out, trainableInfo, kDecimals);
        matrix.IterateAll(saver, FMaskExists);
        WriteEndTag(out, "WeightList");
    }

    void WriteWeightMatrix(std::int32_t from, std::int32_t to, TBasicConnections& matrix,
                           bool trainableInfo) {
        if (trainableInfo) {
            WriteWords(out, {"Matrix", "Weights", "TrainableInfo"});
        } else {
            WriteWords(out, {"Matrix", "Weights"});
        }
        const std::size_t extra = trainableInfo ? kTrainableInfoField : 0;
        out.Write("/* To->");
        for (std::int32_t j = 0; j < NumNeurons(to); ++j) {
            WriteInteger(out, j, (j == 0 ? kFirstColumnField : kColumnField) + extra);
        }
        out.Write("  From */\n");
        for (std::int32_t i = 0; i < NumNeurons(from); ++i) {
            for (std::int32_t j = 0; j < NumNeurons(to); ++j) {
                WriteMatrixEntry(matrix, i, j, trainableInfo);
            }
            out.Write(" /* ");
            out.WriteInteger(i);
            out.Write(" */\n");
        }
        WriteEndTag(out, "Matrix");
    }

    void WriteMatrixEntry(TBasicConnections& matrix, std::int32_t i, std::int32_t j,
                          bool trainableInfo) {
        const bool exists = matrix.IsValid(i, j);
        if (exists) {
            std::array<char, NumberText::kGeneralTextSize> text{};
            WriteRightAligned(
                out, NumberText::FormatGeneral(text, matrix.GetWeight(i, j), kMatrixSignificant),
                kMatrixField);
        } else {
            WriteRightAligned(out, "-", kMatrixField);
        }
        out.Put(' ');
        if (!trainableInfo) {
            return;
        }
        // The trainable bit of the flags: the fuzzy layers' matrices keep it there too, while
        // their IsTrainable only tells whether the arc exists.
        const bool trainable = (matrix.GetFlags(i, j) & FMaskTrainable) != 0;
        out.Write(!exists ? "- " : trainable ? "T " : "F ");
    }
};

}  // namespace

void SaveNetwork(const std::string& fileName, TBasicNetwork& network,
                 std::unique_ptr<TKQstructure>* report) {
    OutputStream out = OutputStream::ReplaceFile(fileName);
    if (out.Failed()) {
        throw Error(Messages::kNetworkWriteFailed + fileName);
    }
    WriteNetwork(out, network, report);
    if (!out.Commit()) {
        throw Error(Messages::kNetworkWriteFailed + fileName);
    }
}

void WriteNetwork(OutputStream& out, TBasicNetwork& network,
                  std::unique_ptr<TKQstructure>* report) {
    if (report != nullptr) {
        report->reset();
    }
    if (const auto* zorf = dynamic_cast<const TZorf*>(&network)) {
        WriteDataInfoComment(out, zorf->DataInfo());
    }
    NetworkWriter(out, network).Write();
}

}  // namespace FileTools
