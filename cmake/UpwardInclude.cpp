// Compiled as part of KQmessage by the layering test, which requires the build to fail on the
// second include: the lowest module must not see the fuzzy network above it.
#include "KQmessage/Check.h"
#include "Zorf/TZorf.h"
