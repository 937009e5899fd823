#include "Recall/RecallZorf.h"

int RunRecallZorf(int argc, const char* const* /*argv*/, std::ostream& /*out*/,
                  std::ostream& err) {
    if (argc != 2) {
        err << "Usage: RecallZorf parameter.file\n";
        return 1;
    }
    return 1;
}
