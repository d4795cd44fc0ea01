#pragma once
// The database server of the working copy during a database update: it is
// started from the copy, the scripts are sent only when the server that
// answers on the fixed address serves the copy's data, and it is ended
// (and waited for) whatever happens while it runs.
#include <functional>
#include <string>

#include "util/Progress.h"

namespace workingcopyserver {

// Starts workingCopy's server, waits the fixed time, and when wantReady
// checks the server that answers (see requireServing); then calls work and
// ends the server, also when anything before raised. Raises what work or a
// check raised, or OvexError when the server does not end. progress idles
// while the server is waited for.
void runWithServer(const std::string& workingCopy, bool wantReady, const std::function<void()>& work,
                   Progress& progress = noProgress());

// Waits until a server takes the login; raises OvexError when the one that
// answers serves another data directory than dataDirectory. Returns
// without a word when none answers in time (the first script's connect
// then reports it).
void requireServing(const std::string& dataDirectory, Progress& progress = noProgress());

// True when a data directory that a server reports names folder: the
// same folder of this system, or, for a path in another system's form (a
// server reached from a compatibility layer), the same last two names.
bool namesFolder(const std::string& reported, const std::string& folder);

}  // namespace workingcopyserver
