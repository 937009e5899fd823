// Refused command-line arguments (and files they name), shared by the programs: each reports
// what() after its own name and exits with status 1.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "KQmessage/Export.h"
#include "KQmessage/TRefusal.h"

class ZORF_EXPORT TArgumentError : public TRefusal {
  public:
    using TRefusal::TRefusal;
};

namespace Arguments {

[[noreturn]] inline void Refuse(const std::string& message) {
    throw TArgumentError(message);
}

// An argument as the reports show it, in double quotes.
inline std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The option argv[i] and its value: after '=' in the same argument, or else the next
// argument (then i moves past it); none when neither is there.
struct TOption {
    std::string_view name;
    std::optional<std::string_view> value;
};
inline TOption ReadOption(int argc, const char* const* argv, int& i) {
    const std::string_view argument = argv[i];
    const std::size_t equals = argument.find('=');
    if (equals != std::string_view::npos) {
        return {argument.substr(0, equals), argument.substr(equals + 1)};
    }
    if (i + 1 < argc) {
        return {argument, std::string_view(argv[++i])};
    }
    return {argument, std::nullopt};
}

}  // namespace Arguments
