// The run's transcript: one human-readable line per event on standard
// output, stamped with the time since the host started, flushed at once so
// that a run killed by a fault or a time-out still leaves every line behind.
#pragma once

#include <string>

namespace testhost {

void startClock();
double secondsSinceStart();

void say(const std::string& line);
// A failed expectation: printed as "FAIL ..." and counted for the exit code.
void fail(const std::string& line);
int failureCount();

// A quoted, escaped rendering of UTF-8 text for transcript lines.
std::string quoted(const std::string& text);

}  // namespace testhost
