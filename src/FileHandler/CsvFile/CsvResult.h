// Recall's outputs as a CSV file: a header, then per row the columns carried over from the
// recall file (an id), one column per output under the name the network records for it
// ("output1", ... where it records none) in the 15-digit form of the data set files, and for
// each class column the name of the class whose output is highest.
#pragma once

#include "KQmessage/Export.h"

#include <span>
#include <string>
#include <vector>

#include "FileHandler/Syntax/OutputStream.h"
#include "Zorf/ZorfDataInfo.h"

namespace FileTools {

class ZORF_EXPORT TCsvResultLayout {
  public:
    TCsvResultLayout(std::vector<std::string> copiedNames, const TZorfDataInfo& info,
                     std::size_t outputs);

    void WriteHeader(OutputStream& out) const;
    // One row: `copied` holds the carried fields, `outputs` the outputs in their units.
    void WriteRow(OutputStream& out, std::span<const std::string> copied,
                  std::span<const double> outputs) const;

  private:
    std::vector<std::string> copiedNames;
    const TZorfDataInfo& info;
    std::size_t outputCount;
};

// A field as RFC 4180 wants it: in double quotes (doubled inside) when it holds a comma, a
// quote or a line end.
ZORF_EXPORT void WriteCsvField(OutputStream& out, std::string_view field);

}  // namespace FileTools
