#include "KQmessage/CommandWords.h"

#include <algorithm>

#include "KQmessage/TArgumentError.h"

namespace Arguments {

TCommandWords ReadCommandWords(int argc, const char* const* argv, int first,
                               std::span<const std::string_view> known, std::string_view job,
                               std::string_view program) {
    TCommandWords line;
    for (int i = first; i < argc; ++i) {
        if (!std::string_view(argv[i]).starts_with("--")) {
            line.words.emplace_back(argv[i]);
            continue;
        }
        const TOption option = ReadOption(argc, argv, i);
        const std::string name(option.name);
        if (std::find(known.begin(), known.end(), option.name) == known.end()) {
            Refuse("the " + std::string(job) + " has no option " + name + " (see " +
                   std::string(program) + " --help)");
        }
        if (!option.value) {
            Refuse(name + " needs a value");
        }
        if (!line.options.emplace(name, *option.value).second) {
            Refuse(name + " given twice");
        }
    }
    return line;
}

}  // namespace Arguments
