#include "FileHandler/NetworkSizeLimit.h"

#include "FileHandler/FileMessages.h"

namespace FileTools {

NetworkSizeLimit::NetworkSizeLimit(const InputStream& input)
    : in(input), left(kFreeElements + kElementsPerByte * input.Size()) {}

void NetworkSizeLimit::Claim(std::int64_t elements) {
    if (elements > left) {
        throw Error(Messages::kNetworkTooLarge, &in);
    }
    left -= elements;
}

}  // namespace FileTools
