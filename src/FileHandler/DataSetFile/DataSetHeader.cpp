#include "FileHandler/DataSetFile/DataSetHeader.h"

#include "FileHandler/Syntax/FileMessages.h"
#include "KQmessage/StrCaseCmp.h"

namespace FileTools {

namespace {

// The counts take their places in this order ("Rows", of rank 0, stands anywhere and may
// be repeated); only the two output counts may be "Labels".
struct HeaderKey {
    const char* name;
    int rank;
    std::int32_t DataSetHeader::*count;
    bool labelsAllowed;
};

constexpr HeaderKey kHeaderKeys[] = {
    {"Inputs", 1, &DataSetHeader::inputs, false},
    {"ExpectedOutputs", 2, &DataSetHeader::expectedOutputs, true},
    {"GeneratedOutputs", 3, &DataSetHeader::generatedOutputs, true},
    {"Error", 4, &DataSetHeader::errors, false},
    {"Rows", 0, &DataSetHeader::rows, false},
};

const HeaderKey* FindHeaderKey(std::string_view name) {
    for (const HeaderKey& key : kHeaderKeys) {
        if (KQML::strcasecmp(name, key.name) == 0) {
            return &key;
        }
    }
    return nullptr;
}

void WriteOutputCount(OutputStream& out, std::string_view key, std::int32_t count) {
    if (count == kLabels) {
        WriteStringValue(out, key, kLabelsWord, true);
    } else {
        WriteIntegerValue(out, key, count, true);
    }
}

}  // namespace

HeaderReading ReadDataSetHeader(ScratchBuffer& scratch, InputStream& in) {
    HeaderReading reading;
    int rankReached = 0;
    for (;;) {
        reading.end = ReadBlockItem(scratch, in, {}, false);
        const BlockItem& item = reading.end;
        if (item.kind != ItemKind::KeyValue) {
            return reading;
        }
        if (item.more) {
            reading.status = ERR_BAD_HEADER;
            return reading;
        }
        const std::int32_t value =
            KQML::strcasecmp(item.value, kLabelsWord) == 0 ? kLabels : ParseInteger(in, item.value);
        const HeaderKey* key = FindHeaderKey(item.name);
        if (key == nullptr || (key->rank > 0 && key->rank <= rankReached)) {
            reading.status = ERR_BAD_HEADER;
            return reading;
        }
        rankReached = key->rank > 0 ? key->rank : rankReached;
        reading.header.*key->count = value;
        if (value < 0 && !key->labelsAllowed) {
            throw Error(Messages::kNoLabelsInInputs, in.Position());
        }
    }
}

void WriteDataSetHeader(OutputStream& out, const DataSetHeader& header) {
    WriteFormatVersion(out);
    WriteTag(out, kDataSetTag, true);
    WriteIntegerValue(out, "Rows", header.rows, true);
    WriteIntegerValue(out, "Inputs", header.inputs, true);
    WriteOutputCount(out, "ExpectedOutputs", header.expectedOutputs);
    WriteOutputCount(out, "GeneratedOutputs", header.generatedOutputs);
    WriteIntegerValue(out, "Error", header.errors, true);
    out.Put('\n');
    WriteTag(out, kDataTag, true);
}

}  // namespace FileTools
