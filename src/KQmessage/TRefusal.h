// The one type of every refusal of what a user asked for that is not a bad argument of the
// network classes, a file error or a failed check: a parameter file, a setting, a command-line
// argument, training data that cannot be trained on. A program's error trap, the Python module
// and library callers catch them all as TRefusal; what() is the message.
#pragma once

#include <stdexcept>

#include "KQmessage/Export.h"

class ZORF_EXPORT TRefusal : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
