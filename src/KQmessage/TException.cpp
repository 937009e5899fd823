#include "KQmessage/TException.h"

#include "KQmessage/KQML.h"

namespace {

std::optional<std::string> OptionalText(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    return std::string(text);
}

std::unique_ptr<TKQstructure> CopyDetails(const std::unique_ptr<TKQstructure>& details) {
    return details ? std::make_unique<TKQstructure>(*details) : nullptr;
}

}  // namespace

TException::TException() = default;

TException::TException(std::string_view msg, const char* cat)
    : message(msg), category(OptionalText(cat)) {}

TException::TException(std::string_view msg, const char* cat, const char* whereText,
                       std::unique_ptr<TKQstructure> det)
    : message(msg),
      category(OptionalText(cat)),
      details(std::move(det)),
      where(OptionalText(whereText)) {}

TException::TException(const TException& other)
    : std::exception(other),
      message(other.message),
      category(other.category),
      details(CopyDetails(other.details)),
      where(other.where) {}

TException& TException::operator=(const TException& other) {
    if (this != &other) {
        message = other.message;
        category = other.category;
        details = CopyDetails(other.details);
        where = other.where;
    }
    return *this;
}

TException::TException(TException&&) noexcept = default;
TException& TException::operator=(TException&&) noexcept = default;
TException::~TException() = default;
