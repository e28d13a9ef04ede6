// The watched connections and the host's connection events.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "frame/calling_convention.h"

enum { kSlotCount = 5, kLastTitleUnits = 1024 };

// A change sent on a slot waits for the host's OnInfoChange to confirm it;
// the slot's next update steps are skipped meanwhile.  A host that never
// confirms (it refused the name, or raises no event) must not stop
// publishing, so a pending change is dropped after this many skipped ticks.
enum { kPendingTickLimit = 2 };

struct ConnectionSlots {
    uint32_t handles[kSlotCount];               // 0 = empty
    uint8_t pending[kSlotCount];                // a sent change awaits confirmation
    uint8_t pendingTicks[kSlotCount];           // ticks skipped while pending
    uint8_t restoring[kSlotCount];              // switched off, plain name not yet taken
    uint32_t changeUserNameService;             // shared by all connections, never closed
    WCHAR lastPublishedTitle[kLastTitleUnits];  // UTF-16, as it was sent
};

extern ConnectionSlots g_slots;

// Empties the slots and clears the pending flags (not the service handle).
void clearConnectionSlots();
void clearPendingFlags();

int32_t WINAPI eCConnect(uint32_t connection, void* record);
int32_t WINAPI eCDisconnect(uint32_t connection, void* record);
int32_t WINAPI eCInfoChange(uint32_t connection, void* record);
// The host calls the three event handlers.
MR_ASSERT_STDCALL_FUNCTION(eCConnect);
MR_ASSERT_STDCALL_FUNCTION(eCDisconnect);
MR_ASSERT_STDCALL_FUNCTION(eCInfoChange);
