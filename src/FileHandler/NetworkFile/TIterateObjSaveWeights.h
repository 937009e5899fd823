#pragma once

#include "FileHandler/Syntax/OutputStream.h"
#include "NeuralNets/TIterateObj.h"

// Writes each visited arc as one entry of a network file's weight list:
// [From=i To=j Weight=w Trainable ], the trainable word only for a matrix that keeps that
// information. A weight whose text would be too long for the format is refused
// (FileTools::Error).
class TIterateObjSaveWeights : public TIterateObj {
  public:
    FileTools::OutputStream& out;
    bool trainableInfo;
    int decimals;

    TIterateObjSaveWeights(FileTools::OutputStream& stream, bool withTrainableInfo, int numDecimals)
        : out(stream), trainableInfo(withTrainableInfo), decimals(numDecimals) {}
    void Visit() override;
};
