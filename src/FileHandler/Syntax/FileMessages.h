// Every message text of the file handling, raised as FileTools::Error. Texts composed with a
// name ("[DATA] expected") are built by the checkers in ParseTools from the pieces here.
#pragma once

namespace FileTools::Messages {

inline constexpr const char* kUnexpectedEndInComment = "Unexpected end of file during comment";
inline constexpr const char* kUnexpectedEnd = "Unexpected end of file";
inline constexpr const char* kUnexpectedSpecial = "Unexpected special character";
inline constexpr const char* kIllegalFormatVersion = "Illegal Format Version";
inline constexpr const char* kUnexpectedEndTag = "Unexpected End Tag";
inline constexpr const char* kExpectedCloseBracket = "Expected ']'";
inline constexpr const char* kBlockExpected = "] expected";
inline constexpr const char* kStartOfBlockExpected = "start of block expected";
inline constexpr const char* kEndTagExpected = "End Tag expected";
inline constexpr const char* kStringValueExpected = " = <string>] expected";
inline constexpr const char* kIntegerValueExpected = " = <integer>] expected";
inline constexpr const char* kNumberValueExpected = " = <number>] expected";
inline constexpr const char* kNumberTokenExpected = "Token (number) expected";
inline constexpr const char* kIntegerExpected = "integer-expected";
inline constexpr const char* kNumberExpected = "number-expected";
inline constexpr const char* kNoLabelsInInputs = "No labels in inputs";
inline constexpr const char* kWordTooLong = "Word longer than 1027 characters";
inline constexpr const char* kReadFailed = "Error on File Read";
// A data value that recall refuses to propagate (nan, inf).
inline constexpr const char* kNonFiniteInput = "Input is not a finite number";

// Network files: header and layer blocks.
inline constexpr const char* kOpenFailed = "Error on File Open";
inline constexpr const char* kTooComplicated = "Too complicated statement";
inline constexpr const char* kUnknownKeyword = "Unknown keyword";
inline constexpr const char* kNoNumberOfLayers = "Must specify number of layers";
inline constexpr const char* kUnknownNetworkType = "Unknown network type";
inline constexpr const char* kIncompleteAll = "[ALL] is incomplete statment";
inline constexpr const char* kAllSyntax = "Required syntax is [ALL <keyword>=<val>]";
inline constexpr const char* kWrongInputCount = "wrong number inputs in header";
inline constexpr const char* kWrongOutputCount = "wrong number outputs in header";
inline constexpr const char* kUnknownLayerType = "Unknown layer type";
inline constexpr const char* kNoInputMembership = "membership array missing in condition layer";
inline constexpr const char* kNoOutputMembership = "membership array missing in output layer";
inline constexpr const char* kRepeatedNeuron = "repeated neuron";
inline constexpr const char* kNeuronEqualsExpected = "Equals clause expected in neuron parameter";
inline constexpr const char* kNoActivationFunction = "No activation function defined";
inline constexpr const char* kNeuronNotDefined = "Neuron not defined";
inline constexpr const char* kIncompleteLayer = "Incomplete Layer information";
// Refusals of what the format leaves open; each names the problem.
inline constexpr const char* kInputLayerOutside = "InputLayer outside the layers";
inline constexpr const char* kOutputLayerOutside = "OutputLayer outside the layers";
inline constexpr const char* kLayerRepeated = "Layer defined twice";
inline constexpr const char* kLayerTypeRepeated = "LayerType repeated after the layer exists";
inline constexpr const char* kNeuronCountRepeated =
    "NumberOfNeurons repeated after the layer exists";
// Followed by the name as written.
inline constexpr const char* kUnknownFunction = "Unknown activation function ";
inline constexpr const char* kNetworkTooLarge =
    "Network too large for its file: more layers, neurons or arcs than its size accounts for";

// Network files: connection layers and weights.
inline constexpr const char* kUnknownConnectionKeyword = "Unknown keyword in connections";
inline constexpr const char* kInsufficientConnection =
    "Insufficient information to construct layer";
inline constexpr const char* kConnectionsDefined = "Connections already defined";
inline constexpr const char* kMatrixKeywordExpected = "Keyword expected in matrix parameter";
inline constexpr const char* kUnknownMatrixAttribute = "Unknown matrix attribute";
inline constexpr const char* kTokenExpected = "Token Expected";
inline constexpr const char* kUnknownWeightsKeyword = "Unknown keyword in weights list";
inline constexpr const char* kInsufficientWeights = "Insufficient information in weights list";
inline constexpr const char* kConnectionLayerOutside = "Connection layer outside the network";
inline constexpr const char* kConnectionLayerUndefined = "Connection layer not defined";
inline constexpr const char* kWeightIndexOutside = "Weights list index outside the layers";
inline constexpr const char* kNoSuchArc = "Arc outside the fixed arcs of the matrix";
inline constexpr const char* kNotConditionTarget =
    "ToConditionConnections must lead to a FuzzyCondition layer";
inline constexpr const char* kNotOutputTarget =
    "ToOutputConnections must lead to a Defuzzify layer";
inline constexpr const char* kConditionInputsMissing =
    "Condition layer covers more inputs than its source layer has";
inline constexpr const char* kOutputMFsMismatch =
    "Output membership functions do not match the size of their source layer";

// Network files: membership arrays.
inline constexpr const char* kInvalidMembershipTag1 = "invalid tag in membership1";
inline constexpr const char* kInvalidMembershipTag2 = "invalid tag in membership2";
inline constexpr const char* kNegativeMembershipIndex = "Negative index in membership array";
inline constexpr const char* kMissingMembershipEntry = "Missing entry in membership array";
inline constexpr const char* kRepeatedMembershipEntry = "Repeated entry in membership array";
inline constexpr const char* kConditionMFsMismatch =
    "Membership functions do not add up to the layer's neurons";

// A network that recall cannot run soundly, refused before recall. Each follows "Layer <k>: ".
inline constexpr const char* kLayerUndefined = "no layer block defines it";
inline constexpr const char* kNoOutputCentres =
    "Defuzzify layer without ToOutputConnections from the layer below";
inline constexpr const char* kBelowInputsMissing =
    "Condition layer covers more inputs than the layer below has";
inline constexpr const char* kWeightNotFinite = "weight not a finite number";
inline constexpr const char* kParameterNotFinite = "neuron parameter not a finite number";
inline constexpr const char* kCentresOutOfOrder = "membership function centres out of order";
// Followed by the function's name.
inline constexpr const char* kFunctionCannotRun = "cannot run the activation function ";
// The driver's refusal, followed by the network type.
inline constexpr const char* kNotZorfNetwork = "Not a Zorf network: ";

// Network file writer.
inline constexpr const char* kIllegalBiasNodes = "Illegal number of bias nodes";
// Followed by the key, "=" and the number text.
inline constexpr const char* kNumberTooLong = "Number text longer than 19 characters: ";
// Followed by the file name.
inline constexpr const char* kNetworkWriteFailed = "Unable to write the network file ";

}  // namespace FileTools::Messages
