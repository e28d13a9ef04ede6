// The messaging host's side of the plug-in boundary: its table of entry
// points and the records exchanged through it.
//
// The host is a 32-bit program, so on the shipping build every field below
// is 32 bits wide and the offsets are fixed by the host; they are checked at
// compile time.  The 64-bit build (run under Wine with our own test host)
// keeps the same declarations with their natural alignment.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <windows.h>

#include "frame/calling_convention.h"

// Command and event handlers: for the command, param is unread and record a
// CommandRequest*; for an event, param is the connection and record the
// event's record.
typedef int32_t(WINAPI* HostHandler)(uint32_t param, void* record);

typedef int32_t(WINAPI* RegisterCommandFn)(const char* path, HostHandler handler);
typedef uint32_t(WINAPI* OpenServiceFn)(const char* path);
typedef int32_t(WINAPI* CallServiceFn)(uint32_t service, uint32_t connection,
                                       void* request);
typedef int32_t(WINAPI* HookEventFn)(const char* path, HostHandler handler);

// The host calls and is called by stdcall functions only.
MR_ASSERT_STDCALL(HostHandler);
MR_ASSERT_STDCALL(RegisterCommandFn);
MR_ASSERT_STDCALL(OpenServiceFn);
MR_ASSERT_STDCALL(CallServiceFn);
MR_ASSERT_STDCALL(HookEventFn);

// Nine entries; only 1, 2, 3 and 7 are ever called.
struct HostApi {
    void* unused0;
    RegisterCommandFn registerCommand;
    OpenServiceFn openService;
    CallServiceFn callService;
    void* unused4;
    void* unused5;
    void* unused6;
    HookEventFn hookEvent;
    void* unused8;
};

struct InfoValue {
    int32_t type;
    void* data;
    int32_t size;
};

struct InfoRequest {
    int32_t size;  // sizeof(InfoRequest)
    int32_t code;
    InfoValue* value;
};

struct NameChangeRequest {
    int32_t size;  // sizeof(NameChangeRequest)
    const WCHAR* name;
};

struct CaptionTarget {
    int32_t unused0;
    WCHAR* buffer;  // room for 16 characters and the NUL
};

struct CommandRequest {
    int32_t unused0;
    int32_t kind;
    int32_t unused8;
    int32_t unused12;
    CaptionTarget* caption;
};

struct InfoChangeEvent {
    int32_t unused0;
    int32_t code;
    InfoValue* value;
};

enum {
    kInfoDisplayName = 1001,      // UTF-16 text, type 1
    kInfoProtocolName = 2000,     // narrow text, type 0
    kInfoConnectionStatus = 2002  // int32_t, type 2; 1 = connected
};

enum { kCommandCaption = 0, kCommandChosen = 1 };

// Room in the host's caption buffer, terminator included.
enum { kCaptionUnits = 17 };

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(HostApi) == 36, "host table is nine 32-bit entries");
static_assert(offsetof(HostApi, registerCommand) == 4, "entry 1");
static_assert(offsetof(HostApi, openService) == 8, "entry 2");
static_assert(offsetof(HostApi, callService) == 12, "entry 3");
static_assert(offsetof(HostApi, hookEvent) == 28, "entry 7");
static_assert(sizeof(InfoRequest) == 12, "InfoRequest size");
static_assert(offsetof(InfoRequest, code) == 4, "InfoRequest.code");
static_assert(offsetof(InfoRequest, value) == 8, "InfoRequest.value");
static_assert(offsetof(InfoValue, data) == 4, "InfoValue.data");
static_assert(offsetof(InfoValue, size) == 8, "InfoValue.size");
static_assert(sizeof(NameChangeRequest) == 8, "NameChangeRequest size");
static_assert(offsetof(NameChangeRequest, name) == 4, "NameChangeRequest.name");
static_assert(offsetof(CaptionTarget, buffer) == 4, "CaptionTarget.buffer");
static_assert(offsetof(CommandRequest, kind) == 4, "CommandRequest.kind");
static_assert(offsetof(CommandRequest, caption) == 16, "CommandRequest.caption");
static_assert(offsetof(InfoChangeEvent, code) == 4, "InfoChangeEvent.code");
static_assert(offsetof(InfoChangeEvent, value) == 8, "InfoChangeEvent.value");
#endif

// The plug-in's copy of the host's table, taken in Initialize.
extern HostApi g_hostApi;
