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

// After switching off, a plain name the host has not taken is asked for
// again at the polling interval, but only this many times: a server that
// never takes it must not be asked for ever.
enum { kRestoreTickLimit = 5 };

// What a slot waits for after switching off.
enum RestoreWait {
    kRestoreIdle = 0,
    kRestoreTaken,    // the plain name was sent; the host still shows the title
    kRestoreLanding,  // a titled name was still unconfirmed: restore once it lands
};

enum { kRemovedTitleUnits = 256 };

struct ConnectionSlots {
    uint32_t handles[kSlotCount];      // 0 = empty
    uint8_t pending[kSlotCount];       // a sent change awaits confirmation
    uint8_t pendingTicks[kSlotCount];  // ticks skipped while pending
    uint8_t restoring[kSlotCount];     // RestoreWait after switching off
    uint8_t restoreTicks[kSlotCount];  // periods waited for the plain name
    uint8_t appended[kSlotCount];      // a titled name went out, no plain one back since
    uint8_t signInCheck[kSlotCount];  // signed in while off: the host's name is still due
    uint32_t changeUserNameService;   // shared by all connections, never closed
    // The title that the slot's last sent name carries, as it was sent.
    WCHAR lastPublishedTitle[kSlotCount][kLastTitleUnits];
    // The title being taken off after switching off: only a name that still
    // ends with the separator and exactly this title is cut again.
    WCHAR removedTitle[kSlotCount][kRemovedTitleUnits];
    // The last name sent on the slot and the name read just before sending
    // it (hashes): a server that normalises names never reads back what it
    // was sent, and must not be sent the same name again.
    uint64_t sentName[kSlotCount];
    uint64_t nameBeforeSend[kSlotCount];
    // A connection ended while its name carried a title, or the last run
    // left one (LastAppended): the server may still show it.
    bool titleMayBeLeft;
};

extern ConnectionSlots g_slots;

// Empties the slots and clears the pending flags (not the service handle).
void clearConnectionSlots();
void clearPendingFlags();

// The slot that holds connection, or -1.
int slotOf(uint32_t connection);
// Everything a slot knows about its connection, forgotten (handle kept).
void clearSlotState(int slot);

// A hash of a UTF-16 text, for telling names apart; never 0.
uint64_t hashName(const WCHAR* name);

// The slot's name is plain again (the host took it, or it carried no
// title): once every slot is plain and no title may be left on the server,
// LastAppended is emptied.
void plainNameBack(int slot);

int32_t WINAPI eCConnect(uint32_t connection, void* record);
int32_t WINAPI eCDisconnect(uint32_t connection, void* record);
int32_t WINAPI eCInfoChange(uint32_t connection, void* record);
// The host calls the three event handlers.
MR_ASSERT_STDCALL_FUNCTION(eCConnect);
MR_ASSERT_STDCALL_FUNCTION(eCDisconnect);
MR_ASSERT_STDCALL_FUNCTION(eCInfoChange);
