// The jobs the agent released, followed until each ends: printed, cancelled (by someone, or by
// a printer that refused it) or stopped by the server. The user is told what happened, not only
// that the job was released.
#pragma once

#include "host/agent/JobReports.h"
#include "host/printing/CupsClient.h"
#include "host/printing/HeldJobs.h"

#include <map>
#include <vector>

class FollowedJobs {
  public:
    explicit FollowedJobs(JobReports& reports) : reports_(reports) {}
    void follow(const HeldJob& job) { jobs_[job.id] = job; }
    bool following(int jobId) const { return jobs_.count(jobId) != 0; }
    // Looks at each job followed: an ended one is told and followed no more. The ids of jobs
    // held for their codes again, to be taken again.
    std::vector<int> check(CupsConnection& connection);

  private:
    JobReports& reports_;
    std::map<int, HeldJob> jobs_;
};
