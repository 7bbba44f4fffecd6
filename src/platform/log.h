#pragma once
#include <string>

// The run log: one text for the whole process, to which the steps of a run append lines
// that each begin with a line feed. It lives at the bottom of the program, so that every
// layer that logs can reach it; app/run_log writes it to its file at the end of the run.
extern std::string g_log;
