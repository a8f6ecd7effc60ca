#include "search/frontend.h"

namespace {

// Until a front end takes over (and for the tools' searches): nothing stops a search but
// its limits, and nothing is said.
struct SilentFrontEnd final : FrontEnd {
    bool pollInput() override { return false; }
    void answer(Move, Move) override {}
};

SilentFrontEnd silentFrontEnd;

}  // namespace

FrontEnd* frontEnd = &silentFrontEnd;
