// Everything the plug-in module holds from load to unload, put back as it is
// at load: for the unit tests' fixture and the native cost program, which
// load the plug-in again and again in one process.
#pragma once

#include <string.h>

#include "frame/host_services.h"
#include "frame/settings.h"
#include "frame/text_conversion.h"
#include "frame/trace_log.h"
#include "publish/connections.h"
#include "publish/update_cycle.h"

inline void resetPluginState() {
    g_logEnabled = false;
    g_logPath[0] = '\0';
    g_iniPath[0] = '\0';
    memset(&g_slots, 0, sizeof g_slots);
    memset(&g_hostApi, 0, sizeof g_hostApi);
    g_getInfoService = 0;
    g_timerId = 0;
    g_restoreTimerId = 0;
    g_terminated = false;
    g_mrOnOff = false;
    g_codePageSelector = chooseCodePage;
}
