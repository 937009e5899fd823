// A program's command line after the word that names its job: the plain words (files) and the
// options the job takes, each with its value, for the programs whose jobs take options.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Arguments {

struct TCommandWords {
    std::vector<std::string_view> words;
    std::map<std::string, std::string, std::less<>> options;

    std::optional<std::string_view> Option(std::string_view name) const {
        const auto found = options.find(name);
        return found == options.end() ? std::nullopt
                                      : std::optional<std::string_view>(found->second);
    }
};

// argv[first] onwards. Refuses (TArgumentError) an option not among `known` ("the <job> has no
// option --x (see <program> --help)"), one without a value and one given twice. A value
// follows its option as the next argument or after '='.
TCommandWords ReadCommandWords(int argc, const char* const* argv, int first,
                               std::span<const std::string_view> known, std::string_view job,
                               std::string_view program);

}  // namespace Arguments
