#include "DataObject/TLabelList.h"

#include <string>

TLabelList::TLabelList(std::string_view name, double value) {
    labels.emplace_back(std::string(name), value);
}

void TLabelList::AddLabel(std::string_view name, double value) {
    for (TLabel& label : labels) {
        if (label.name == name) {
            label.value += value;
            return;
        }
    }
    labels.emplace_back(std::string(name), value);
}
