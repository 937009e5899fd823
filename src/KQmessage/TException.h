#pragma once

#include "KQmessage/Export.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>

class TKQstructure;

// Raised by the network, fuzzy-network and data set classes for a bad argument.
// Copies are deep: every copy owns its texts and its details, released once.
class ZORF_EXPORT TException : public std::exception {
  public:
    std::string message;
    std::optional<std::string> category;
    std::unique_ptr<TKQstructure> details;
    std::optional<std::string> where;

    TException();
    TException(std::string_view msg, const char* cat);
    TException(std::string_view msg, const char* cat, const char* whereText,
               std::unique_ptr<TKQstructure> det = nullptr);
    TException(const TException& other);
    TException& operator=(const TException& other);
    TException(TException&&) noexcept;
    TException& operator=(TException&&) noexcept;
    ~TException() override;

    const char* what() const noexcept override { return message.c_str(); }
};

// The two categories the program raises.
inline constexpr const char* kBadParameter = "Bad Parameter";
inline constexpr const char* kNullPointerParameter = "Null Pointer Parameter";
