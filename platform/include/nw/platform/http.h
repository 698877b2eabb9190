#pragma once
#include <string>

namespace nw {

// Fetches the whole body of `url` synchronously, whatever the status. Redirects are followed
// (a bounded number), https verifies certificates, connect time-out 10 s, total 30 s, bodies
// over 16 MiB are refused. Throws RuntimeError NetworkFailure when the fetch fails.
std::string fetchUrl(const std::string& url);

}  // namespace nw

namespace nw {

// Tests only: a shorter total time-out and a CA file to trust (a test server's certificate).
// 0 and empty text restore the defaults.
void setFetchOptionsForTesting(long totalTimeoutMs, const std::string& caFile);

}  // namespace nw
