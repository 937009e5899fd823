// What a read stops with, as one text: the message of a FileTools::Error, or the condition
// of a refused internal check ("LngRows>=0"); empty when it does not fail.
#pragma once

#include <functional>
#include <string>

#include "KQmessage/Check.h"
#include "KQmessage/FileToolsError.h"
#include "Support/FailedCondition.h"

inline std::string ReadFailure(const std::function<void()>& read) {
    try {
        read();
    } catch (const FileTools::Error& e) {
        return e.message;
    } catch (const TCheckFailure& e) {
        return FailedCondition(e);
    }
    return "";
}
