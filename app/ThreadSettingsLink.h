#pragma once
// The thread-count keys live in the settings file and are used by the scheduler, which keeps its
// own copy: start-up hands them over, the benchmark and the thread dialog change the scheduler's
// copy, and the exit takes them back before the file is written.
#include "app/Settings.h"
#include "sim/Scheduler.h"

namespace korvan {

ThreadSettings ThreadSettingsOf(const Settings& settings, int logicalProcessorCount);
void StoreThreadSettings(const ThreadSettings& threads, Settings& settings);

}  // namespace korvan
