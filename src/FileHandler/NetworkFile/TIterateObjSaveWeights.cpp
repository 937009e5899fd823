#include "FileHandler/NetworkFile/TIterateObjSaveWeights.h"

#include "FileHandler/Syntax/ParseTools.h"

void TIterateObjSaveWeights::Visit() {
    FileTools::WriteOpenBracket(out, true);
    FileTools::WriteIntegerValue(out, "From", fromNode, false);
    FileTools::WriteIntegerValue(out, "To", toNode, false);
    FileTools::WriteLimitedNumberValue(out, "Weight", *weight, decimals, false);
    if (trainableInfo) {
        FileTools::WriteTag(out, trainable != 0 ? "Trainable" : "UnTrainable", false);
    }
    FileTools::WriteCloseBracket(out, true, true);
}
