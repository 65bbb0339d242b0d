// The batch: every card of a CSV file rendered by worker processes, with a
// progress bar and a message for each card that fails on standard error.
#pragma once

#include "render/RenderArgs.h"

// Each worker is a child process with its own QGuiApplication (argc, argv
// go to it): the text layer's font caches are not shared between threads.
// Call before any QGuiApplication exists. 0 when every card was written.
int RunBatch(const RenderArgs& args, int argc, char** argv);
