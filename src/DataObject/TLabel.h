// One label of a data row: a name with a value (a degree or weight).
#pragma once

#include "KQmessage/Export.h"

#include <string>
#include <utility>

class ZORF_EXPORT TLabel {
  public:
    double value = 0.0;
    std::string name;

    TLabel() = default;
    TLabel(std::string labelName, double labelValue)
        : value(labelValue), name(std::move(labelName)) {}
};
