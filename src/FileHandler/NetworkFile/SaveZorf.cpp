#include "FileHandler/NetworkFile/SaveZorf.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "FileHandler/Syntax/FileMessages.h"
#include "FileHandler/Syntax/ParseTools.h"
#include "KQmessage/Check.h"
#include "KQmessage/StrCaseCmp.h"

namespace FileTools {

namespace {

// The entries of a membership array, by index.
struct MembershipEntries {
    std::vector<std::int32_t> counts;
    std::vector<bool> given;
    // Entries beyond the highest index given are not part of the array.
    std::int32_t highest = -1;
    std::int64_t sum = 0;
};

void ReadEntry(ScratchBuffer& scratch, InputStream& in, std::string_view blockdef,
               const BlockItem& item, std::string_view entryKey, MembershipEntries& entries) {
    if (KQML::strcasecmp(item.name, entryKey) != 0) {
        throw Error(Messages::kInvalidMembershipTag1, in.Position());
    }
    const std::int32_t i = ParseInteger(in, item.value);
    if (i >= static_cast<std::int32_t>(entries.counts.size())) {
        ZORF_REFUSE("i<numnodes");
    }
    if (i < 0) {
        throw Error(Messages::kNegativeMembershipIndex, in.Position());
    }
    if (entries.given[static_cast<std::size_t>(i)]) {
        throw Error(Messages::kRepeatedMembershipEntry, in.Position());
    }
    const BlockItem mf = ReadBlockItem(scratch, in, blockdef, true);
    if (mf.kind != ItemKind::KeyValue || mf.more || KQML::strcasecmp(mf.name, "MF") != 0) {
        throw Error(Messages::kInvalidMembershipTag2, in.Position());
    }
    const std::int32_t count = ParseInteger(in, mf.value);
    entries.counts[static_cast<std::size_t>(i)] = count;
    entries.given[static_cast<std::size_t>(i)] = true;
    entries.highest = std::max(entries.highest, i);
    entries.sum += count;
}

// Every index below `number` must have its entry.
void RequireEntries(const InputStream& in, const MembershipEntries& entries, std::int32_t number) {
    const auto end = entries.given.begin() + number;
    if (std::find(entries.given.begin(), end, false) != end) {
        throw Error(Messages::kMissingMembershipEntry, in.Position());
    }
}

void InstallInputCounts(const InputStream& in, TConditionLayer& layer,
                        const MembershipEntries& entries) {
    const std::int32_t numInputs = entries.highest + 1;
    RequireEntries(in, entries, numInputs);
    const std::span<const std::int32_t> counts(entries.counts.data(),
                                               static_cast<std::size_t>(numInputs));
    // A count below two is the layer's own refusal.
    const bool spreadable =
        std::all_of(counts.begin(), counts.end(), [](std::int32_t NdxMF) { return NdxMF >= 2; });
    if (spreadable && entries.sum != layer.GetNumNeurons()) {
        throw Error(Messages::kConditionMFsMismatch, in.Position());
    }
    layer.SetMFs(numInputs, counts.data());
}

void InstallOutputCounts(const InputStream& in, TZorfOutputLayer& layer,
                         const MembershipEntries& entries) {
    RequireEntries(in, entries, layer.GetNumNeurons());
    if (entries.sum > INT32_MAX) {
        throw Error(Messages::kOutputMFsMismatch, in.Position());
    }
    layer.SetMFs(static_cast<std::int32_t>(entries.sum), entries.counts.data());
}

void WriteMembershipArray(OutputStream& out, std::string_view tag, std::string_view entryKey,
                          std::span<const std::int32_t> counts) {
    WriteTag(out, tag, true);
    for (std::size_t k = 0; k < counts.size(); ++k) {
        WriteOpenBracket(out, true);
        WriteIntegerValue(out, entryKey, static_cast<std::int64_t>(k), false);
        WriteIntegerValue(out, "MF", counts[k], false);
        WriteCloseBracket(out, true, true);
    }
    WriteEndTag(out, tag);
}

}  // namespace

void ReadMembershipArray(InputStream& in, TBasicLayer& layer, std::string_view blockdef) {
    ScratchBuffer scratch;
    auto* conditions = dynamic_cast<TConditionLayer*>(&layer);
    auto* outputs = dynamic_cast<TZorfOutputLayer*>(&layer);
    ZORF_ASSERT(conditions != nullptr || outputs != nullptr);
    const bool inputArray = KQML::strcasecmp(blockdef, "INPUTMF") == 0;
    ZORF_ASSERT(inputArray == (conditions != nullptr));

    const auto numnodes = static_cast<std::size_t>(layer.GetNumNeurons());
    MembershipEntries entries{std::vector<std::int32_t>(numnodes, 0),
                              std::vector<bool>(numnodes, false)};
    BlockItem item = ReadBlockItem(scratch, in, blockdef, false);
    for (; item.kind == ItemKind::KeyValue && item.more;
         item = ReadBlockItem(scratch, in, blockdef, false)) {
        ReadEntry(scratch, in, blockdef, item, inputArray ? "INPUT" : "OUTPUT", entries);
    }
    // An entry cut short ends the entries; it is the end tag that is missing then.
    ExpectBlockEnd(in, item);
    if (inputArray) {
        InstallInputCounts(in, *conditions, entries);
    } else {
        InstallOutputCounts(in, *outputs, entries);
    }
}

void WriteInputMembershipArray(OutputStream& out, const TConditionLayer& layer) {
    WriteMembershipArray(out, "InputMF", "Input", layer.GetMFCounts());
}

void WriteOutputMembershipArray(OutputStream& out, const TZorfOutputLayer& layer) {
    WriteMembershipArray(out, "OutputMF", "Output", layer.GetMFCounts());
}

}  // namespace FileTools
