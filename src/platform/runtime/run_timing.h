// The run's stopwatch: StartTiming starts it, ElapsedTime answers the seconds since then (on a
// monotonic clock, so a change of the wall clock never gives a negative or huge time) and, when
// asked, starts it again. One stopwatch for the main thread's jobs.
#pragma once

void StartTiming();
double ElapsedTime(bool restart = true);
