#include "app/ThreadSettingsLink.h"

namespace korvan {

ThreadSettings ThreadSettingsOf(const Settings& settings, int logicalProcessorCount) {
    ThreadSettings threads;
    threads.ENV_CUR_CPUS_MODE = settings.ENV_CUR_CPUS_MODE;
    threads.ENV_CUR_CPUS_NUM = settings.ENV_CUR_CPUS_NUM;
    threads.ENV_OPTIMIZED_CORES = settings.ENV_OPTIMIZED_CORES;
    threads.logicalProcessorCount = logicalProcessorCount;
    return threads;
}

void StoreThreadSettings(const ThreadSettings& threads, Settings& settings) {
    settings.ENV_CUR_CPUS_MODE = threads.ENV_CUR_CPUS_MODE;
    settings.ENV_CUR_CPUS_NUM = threads.ENV_CUR_CPUS_NUM;
    settings.ENV_OPTIMIZED_CORES = threads.ENV_OPTIMIZED_CORES;
}

}  // namespace korvan
