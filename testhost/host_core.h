// The host side of the plug-in boundary, as our test host implements it.
//
// One core serves the native tests (linked with the plug-in over the Linux
// stand-in) and the Windows test host (a 64-bit program that loads the DLL
// under Wine).  It keeps connections with a protocol name, a status and a
// UTF-16 display name, answers the GetInfo and ChangeUserName services,
// delivers the connection events to the plug-in's hooks, asks the command
// for its caption and chooses it, and records every name change.
//
// Events that a real host raises as a consequence of a call (OnInfoChange
// after an accepted name change) are queued and delivered by
// deliverPendingEvents(), which the message loop calls on a later turn, never
// from inside the plug-in's own call.
#pragma once

#include <stdint.h>
#include <windows.h>

#include <string>
#include <vector>

#include "frame/host_api.h"

namespace testhost {

typedef std::basic_string<WCHAR> WText;

WText widen(const std::string& utf8);   // UTF-8 to UTF-16
std::string narrow(const WText& text);  // UTF-16 to UTF-8 (for transcripts)

struct NameChange {
    uint32_t connection;
    WText name;
    bool accepted;
};

struct Connection {
    uint32_t handle;
    std::string protocol;
    int32_t status;  // 1 = connected
    WText name;
};

class Host {
public:
    static Host& instance();

    // Forget connections, hooks, services and records; the plug-in is not
    // told.
    void reset();

    // The plug-in was unloaded: drop its hooks, command and services and the
    // events queued for it, so that nothing calls into freed code; keep the
    // connections, the records and the refuse flag.
    void forgetPlugin();

    // The nine-entry table to hand to Initialize.
    const HostApi* table() const;

    // Connections.  connect() creates a connection and raises OnConnect;
    // handles count up from 101 so that they are never mistaken for slots.
    uint32_t connect(const std::string& protocol, const WText& name, int32_t status = 1);
    void disconnect(uint32_t handle);  // raises OnDisconnect, then forgets it
    void setStatus(uint32_t handle, int32_t status);
    // The user renamed themselves in the host: queues OnInfoChange.
    void rename(uint32_t handle, const WText& name);
    const Connection* find(uint32_t handle) const;
    WText name(uint32_t handle) const;

    // Name changes are refused (the name stays, no event) while set.
    void refuseNameChanges(bool refuse);
    // No OnInfoChange is raised while set: name changes are taken silently.
    void silenceInfoChange(bool silent);
    // A server that acknowledges names late: while set, an accepted name is
    // not applied (the connection keeps reading its old name) until the hold
    // is lifted; each held name is then applied, with its OnInfoChange, on
    // the next turn of the loop, in the order sent.
    void holdAcknowledgements(bool hold);
    // A server that normalises names: trailing blanks are trimmed and a name
    // longer than maxUnits is shortened (then trimmed again); the connection
    // takes, and OnInfoChange carries, the normalised name.  0: off.
    void normaliseNames(size_t maxUnits);
    // Info queries with this code fail (callService returns 0) while set.
    void failInfoQuery(int32_t code, bool fail);
    // openService of paths that begin with this prefix fails while set.
    void failServicePrefix(const std::string& prefix);

    // The command: its caption (kind 0) and choosing it (kind 1).  An
    // unregistered command gives an empty caption and does nothing.
    WText commandCaption();
    void chooseCommand();
    bool commandRegistered(const std::string& path) const;

    // Runs queued events; returns how many ran.
    size_t deliverPendingEvents();

    // The host has called Terminate: from now on every call the plug-in
    // makes into the host is counted (and noted), since a host that is
    // shutting down may have nothing left to answer it with.
    void pluginTerminated();
    int callsAfterTerminate() const { return callsAfterTerminate_; }
    // Calls into the host that named a connection after it had ended (a
    // released handle in a real host).
    int callsForEndedConnections() const { return endedCalls_; }

    const std::vector<NameChange>& nameChanges() const { return nameChanges_; }
    const std::vector<std::string>& openedServices() const { return opened_; }
    const std::vector<std::string>& hookedEvents() const { return hooked_; }
    const std::vector<std::string>& registeredCommands() const { return commands_; }

    // Human-readable lines: connections, events, commands and name changes.
    const std::vector<std::string>& transcript() const { return transcript_; }
    void note(const std::string& line);

    // The entry points behind table(); public for the table only.
    static int32_t WINAPI registerCommandEntry(const char* path, HostHandler h);
    static uint32_t WINAPI openServiceEntry(const char* path);
    static int32_t WINAPI callServiceEntry(uint32_t service, uint32_t connection,
                                           void* request);
    static int32_t WINAPI hookEventEntry(const char* path, HostHandler h);

private:
    struct Hook {
        std::string path;
        HostHandler handler;
    };
    struct Service {
        uint32_t handle;
        std::string path;
    };
    struct PendingEvent {
        uint32_t connection;
        WText name;
        bool apply;  // a late acknowledgement: the name is taken on delivery
    };

    Connection* findMutable(uint32_t handle);
    void countLateCall(const char* entry);
    void countEndedCall(uint32_t connection);
    WText normalised(const WText& name) const;
    void raise(const std::string& path, uint32_t connection, void* record);
    int32_t getInfo(uint32_t connection, InfoRequest* request);
    int32_t changeUserName(const std::string& path, uint32_t connection,
                           NameChangeRequest* request);

    HostApi table_{};
    std::vector<Connection> connections_;
    std::vector<Hook> hooks_;
    std::vector<Hook> commandHandlers_;
    std::vector<Service> services_;
    std::vector<PendingEvent> pending_;
    std::vector<PendingEvent> held_;
    std::vector<uint32_t> ended_;
    std::vector<NameChange> nameChanges_;
    std::vector<std::string> opened_, hooked_, commands_, transcript_;
    std::vector<int32_t> failingInfo_;
    std::string failingServicePrefix_;
    bool refuse_ = false;
    bool silent_ = false;
    bool terminated_ = false;
    int callsAfterTerminate_ = 0;
    bool holdAcks_ = false;
    size_t normaliseUnits_ = 0;
    int endedCalls_ = 0;
    uint32_t nextConnection_ = 101;
    uint32_t nextService_ = 7001;
};

}  // namespace testhost
