#pragma once
// The address watch cycle, driven by the one-second tick of Timer1.

namespace nw {

// One tick of Timer1: counts up to WatchIntervalSeconds, then runs a cycle. A tick that arrives
// while a cycle is running (re-entrantly, from the event loop) only counts.
void Timer1_Tick();

}  // namespace nw
