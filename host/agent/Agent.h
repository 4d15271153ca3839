// accounting-agent: in the user's session, gives the codes to every job of the user's that an
// accounting queue holds for them, whichever application sent it. It follows the server's
// queues and the user's jobs, and for each held job does what the print dialog's Print button
// would do with the user's remembered settings: the pane's prompt, the default codes, or the
// dialog itself when neither will do. It follows each job it released to its end.
#pragma once

#include "host/agent/AgentOptions.h"

// 0 when it ended as asked (a signal, --once done, or another agent already serving), 1 when
// platform objects were left alive, 2 when it could not start.
int runAgent(const AgentOptions& options);
