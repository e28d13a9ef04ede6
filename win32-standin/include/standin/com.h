// Test-side control of the simulated COM behind the Linux stand-in.
//
// The simulation knows one out-of-process server, iTunes: CoCreateInstance of
// its application class hands out an application object whose method table
// answers at the positions iTunes's automation interface uses, and that
// object hands out display and track objects in turn.  Every other slot
// records the call and fails.  A test scripts the server's answers here and
// reads back what the plug-in did: its calls, the references it still holds,
// the strings it did not free and the initialisations it did not balance.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

// The host thread's COM state before the plug-in runs.  kNone: the plug-in's
// CoInitialize answers S_OK; kSingleThreaded: the host initialised the
// thread already, so it answers S_FALSE (and still needs balancing);
// kMultithreaded: RPC_E_CHANGED_MODE, which must not be balanced.
enum class Apartment { kNone, kSingleThreaded, kMultithreaded };
void setHostApartment(Apartment apartment);

// CoInitialize calls that took effect minus CoUninitialize calls: 0 when the
// plug-in balanced its own.  excessComUninits() counts CoUninitialize calls
// that found none of the plug-in's left, i.e. tore down the host's.
int comInitDepth();
int excessComUninits();
// Every CoInitialize, CoUninitialize and CoCreateInstance so far.
int comEntryCalls();

// What the simulated iTunes answers.  Defaults: registered, displayed,
// playing (state 1), title "Song" and artist "Band".
struct ITunesScript {
    bool registered = true;       // false: CoCreateInstance finds no class
    HRESULT createResult = S_OK;  // a failure here fails CoCreateInstance
    bool hasDisplay = true;       // slot 58 hands out a display object
    VARIANT_BOOL visible = -1;
    LONG playerState = 1;
    bool hasTrack = true;  // slot 62 hands out a track object
    bool hasTitle = true;  // false: slot 8 succeeds with a null string
    bool hasArtist = true;
    std::u16string title = u"Song";
    std::u16string artist = u"Band";
    HRESULT failingSlotResult = S_OK;  // with failingSlot: that slot's answer
    int failingSlot = -1;              // any object's slot that fails
    int dieAfterCalls = -1;            // calls answered before it dies; -1: never
};
ITunesScript& iTunes();

// One method call on a server object: 'a' application, 'd' display, 't'
// track; the slot counts from 0 with QueryInterface, AddRef and Release.
struct ComCall {
    char object;
    int slot;
    bool operator==(const ComCall& o) const {
        return object == o.object && slot == o.slot;
    }
};
const std::vector<ComCall>& comCalls();

int iTunesActivations();  // application objects created
int liveComObjects();     // server objects with references left
int liveComStrings();     // strings allocated and not yet freed
int strayComCalls();      // calls made outside any COM initialisation
int badComStringFrees();  // SysFreeString of something not allocated

}  // namespace standin
