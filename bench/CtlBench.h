#pragma once
// qd40ctl's status on simulated projectors: the wall time of one `status`
// run on one projector that answers at once, on a fleet of them, and on one
// that never answers.
#include <string>
#include <vector>

#include "NetworkBench.h"

namespace qd40::bench {

std::vector<NetworkFigure> measureCtlStatus(const std::string& ctl, const std::string& sim,
                                            const std::string& dir, int runs);

}  // namespace qd40::bench
