#pragma once

// The window's waits: each pass sleeps 50 ms, then processes every pending
// event, so that clicks and the worker threads' GUI steps are served meanwhile.
void SleepAndProcessMessages();
