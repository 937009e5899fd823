#include "KQmessage/KQML.h"

#include "KQmessage/Check.h"
#include "KQmessage/StrCaseCmp.h"

TKQstructure::TKQstructure() : head("unknown") {
    pairs.reserve(kInitialCapacity);
}

TKQstructure::TKQstructure(std::string_view headText) : head(headText) {
    pairs.reserve(kInitialCapacity);
}

TKQstructure::TKQstructure(const TKQstructure& other)
    : head(other.head), capacity(other.Count()) {
    pairs.reserve(other.pairs.size());
    for (const Pair& pair : other.pairs) {
        pairs.push_back({pair.key, std::make_unique<TKQstructure>(*pair.value)});
    }
}

TKQstructure& TKQstructure::operator=(const TKQstructure& other) {
    if (this != &other) {
        TKQstructure copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TKQstructure::~TKQstructure() = default;

std::int32_t TKQstructure::IndexOf(std::string_view key) const {
    for (std::int32_t i = Count() - 1; i >= 0; --i) {
        if (KQML::strcasecmp(pairs[static_cast<std::size_t>(i)].key, key) == 0) {
            return i;
        }
    }
    return -1;
}

void TKQstructure::SetValue(std::string_view key, std::unique_ptr<TKQstructure> value) {
    ZORF_ASSERT(value != nullptr);
    const std::int32_t index = IndexOf(key);
    if (index >= 0) {
        pairs[static_cast<std::size_t>(index)].value = std::move(value);
        return;
    }
    if (Count() == capacity) {
        capacity = capacity < kInitialCapacity ? kInitialCapacity : capacity * 2;
        pairs.reserve(static_cast<std::size_t>(capacity));
    }
    pairs.push_back({std::string(key), std::move(value)});
}

void TKQstructure::SetString(std::string_view key, std::string_view text) {
    SetValue(key, std::make_unique<TKQstructure>(text));
}

void TKQstructure::SetBoolean(std::string_view key, bool value) {
    SetString(key, value ? "true" : "false");
}

TKQstructure* TKQstructure::FindValue(std::string_view key) const {
    const std::int32_t index = IndexOf(key);
    return index < 0 ? nullptr : pairs[static_cast<std::size_t>(index)].value.get();
}
