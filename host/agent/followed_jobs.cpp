#include "host/agent/FollowedJobs.h"

std::vector<int> FollowedJobs::check(CupsConnection& connection) {
    std::vector<int> heldAgain;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        std::string line;
        JobEnd end = releasedJobEnd(connection, it->second, &line);
        switch (end) {
        case JobEnd::Pending:
        case JobEnd::Unknown:
            ++it;
            continue;
        case JobEnd::HeldAgain:
            heldAgain.push_back(it->first);
            [[fallthrough]];
        case JobEnd::Printed:
        case JobEnd::Cancelled:
        case JobEnd::Aborted:
            reports_.tell(it->second, line);
            break;
        case JobEnd::Gone:
            agentSays("job " + std::to_string(it->first) + ": no longer known to the server");
            break;
        }
        it = jobs_.erase(it);
    }
    return heldAgain;
}
