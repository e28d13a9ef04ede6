#include "testhost/host_core.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace testhost {

static const char kGetInfoPath[] = "System/Connection/GetInfo";
static const char kChangeUserNamePrefix[] = "Protocol/";
static const char kChangeUserNameSuffix[] = "/Connection/ChangeUserName";
static const char kOnConnect[] = "System/Connection/OnConnect";
static const char kOnDisconnect[] = "System/Connection/OnDisconnect";
static const char kOnInfoChange[] = "System/Connection/OnInfoChange";

WText widen(const std::string& utf8) {
    WText out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = (unsigned char)utf8[i];
        uint32_t cp = c;
        size_t extra = 0;
        if (c >= 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        }
        for (size_t k = 1; k <= extra && i + k < utf8.size(); k++)
            cp = (cp << 6) | ((unsigned char)utf8[i + k] & 0x3F);
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back((WCHAR)(0xD800 + (cp >> 10)));
            out.push_back((WCHAR)(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back((WCHAR)cp);
        }
    }
    return out;
}

std::string narrow(const WText& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        uint32_t cp = (uint16_t)text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size()) {
            uint32_t lo = (uint16_t)text[i + 1];
            if (lo >= 0xDC00 && lo < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                i++;
            }
        }
        if (cp < 0x80) {
            out.push_back((char)cp);
        } else if (cp < 0x800) {
            out.push_back((char)(0xC0 | (cp >> 6)));
            out.push_back((char)(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back((char)(0xE0 | (cp >> 12)));
            out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back((char)(0x80 | (cp & 0x3F)));
        } else {
            out.push_back((char)(0xF0 | (cp >> 18)));
            out.push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back((char)(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

Host& Host::instance() {
    static Host host;
    return host;
}

void Host::reset() {
    Host fresh;
    *this = fresh;
}

void Host::forgetPlugin() {
    terminated_ = false;
    hooks_.clear();
    commandHandlers_.clear();
    services_.clear();
    pending_.clear();
    note("plug-in forgotten");
}

const HostApi* Host::table() const {
    static HostApi api;
    api = HostApi();
    api.registerCommand = &Host::registerCommandEntry;
    api.openService = &Host::openServiceEntry;
    api.callService = &Host::callServiceEntry;
    api.hookEvent = &Host::hookEventEntry;
    return &api;
}

void Host::note(const std::string& line) {
    transcript_.push_back(line);
}

Connection* Host::findMutable(uint32_t handle) {
    for (Connection& c : connections_)
        if (c.handle == handle) return &c;
    return nullptr;
}

const Connection* Host::find(uint32_t handle) const {
    for (const Connection& c : connections_)
        if (c.handle == handle) return &c;
    return nullptr;
}

WText Host::name(uint32_t handle) const {
    const Connection* c = find(handle);
    return c ? c->name : WText();
}

void Host::raise(const std::string& path, uint32_t connection, void* record) {
    // Copy first: a handler may hook or unhook while we walk the list.
    std::vector<Hook> hooks = hooks_;
    for (const Hook& h : hooks)
        if (h.path == path) h.handler(connection, record);
}

uint32_t Host::connect(const std::string& protocol, const WText& name, int32_t status) {
    Connection c;
    c.handle = nextConnection_++;
    c.protocol = protocol;
    c.status = status;
    c.name = name;
    connections_.push_back(c);
    note("connect " + std::to_string(c.handle) + " " + protocol + " \"" + narrow(name) +
         "\"");
    raise(kOnConnect, c.handle, nullptr);
    return c.handle;
}

void Host::disconnect(uint32_t handle) {
    if (!find(handle)) return;
    note("disconnect " + std::to_string(handle));
    ended_.push_back(handle);
    raise(kOnDisconnect, handle, nullptr);
    connections_.erase(
        std::remove_if(connections_.begin(), connections_.end(),
                       [&](const Connection& c) { return c.handle == handle; }),
        connections_.end());
    pending_.erase(
        std::remove_if(pending_.begin(), pending_.end(),
                       [&](const PendingEvent& e) { return e.connection == handle; }),
        pending_.end());
    held_.erase(
        std::remove_if(held_.begin(), held_.end(),
                       [&](const PendingEvent& e) { return e.connection == handle; }),
        held_.end());
}

void Host::setStatus(uint32_t handle, int32_t status) {
    if (Connection* c = findMutable(handle)) c->status = status;
}

void Host::rename(uint32_t handle, const WText& name) {
    Connection* c = findMutable(handle);
    if (!c) return;
    c->name = name;
    if (!silent_) pending_.push_back(PendingEvent{handle, name, false});
}

void Host::refuseNameChanges(bool refuse) {
    refuse_ = refuse;
}

void Host::silenceInfoChange(bool silent) {
    silent_ = silent;
    if (silent)
        pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                      [](const PendingEvent& e) { return !e.apply; }),
                       pending_.end());
}

void Host::holdAcknowledgements(bool hold) {
    holdAcks_ = hold;
    if (hold) return;
    pending_.insert(pending_.end(), held_.begin(), held_.end());
    held_.clear();
}

void Host::normaliseNames(size_t maxUnits) {
    normaliseUnits_ = maxUnits;
}

WText Host::normalised(const WText& name) const {
    if (normaliseUnits_ == 0) return name;
    WText out = name;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (out.size() > normaliseUnits_) out.resize(normaliseUnits_);
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

void Host::countEndedCall(uint32_t connection) {
    if (connection == 0 || find(connection) ||
        std::find(ended_.begin(), ended_.end(), connection) == ended_.end())
        return;
    ++endedCalls_;
    note("call for ended connection " + std::to_string(connection));
}

void Host::pluginTerminated() {
    terminated_ = true;
}

void Host::countLateCall(const char* entry) {
    if (!terminated_) return;
    ++callsAfterTerminate_;
    note(std::string("call after Terminate: ") + entry);
}

void Host::failInfoQuery(int32_t code, bool fail) {
    failingInfo_.erase(std::remove(failingInfo_.begin(), failingInfo_.end(), code),
                       failingInfo_.end());
    if (fail) failingInfo_.push_back(code);
}

void Host::failServicePrefix(const std::string& prefix) {
    failingServicePrefix_ = prefix;
}

bool Host::commandRegistered(const std::string& path) const {
    for (const Hook& h : commandHandlers_)
        if (h.path == path) return true;
    return false;
}

WText Host::commandCaption() {
    WCHAR buffer[kCaptionUnits + 1] = {0};
    CaptionTarget target = {0, buffer};
    CommandRequest request = {0, kCommandCaption, 0, 0, &target};
    for (const Hook& h : commandHandlers_) h.handler(0, &request);
    buffer[kCaptionUnits] = 0;
    return WText(buffer);
}

void Host::chooseCommand() {
    CommandRequest request = {0, kCommandChosen, 0, 0, nullptr};
    note("command chosen");
    std::vector<Hook> handlers = commandHandlers_;
    for (const Hook& h : handlers) h.handler(0, &request);
}

size_t Host::deliverPendingEvents() {
    std::vector<PendingEvent> events;
    events.swap(pending_);
    for (PendingEvent& e : events) {
        Connection* c = findMutable(e.connection);
        if (!c) continue;
        if (e.apply) {
            c->name = e.name;
            note("acknowledged " + std::to_string(e.connection) + " \"" + narrow(e.name) +
                 "\"");
            if (silent_) continue;
        }
        InfoValue value = {1, (void*)e.name.c_str(),
                           (int32_t)((e.name.size() + 1) * sizeof(WCHAR))};
        InfoChangeEvent event = {0, kInfoDisplayName, &value};
        raise(kOnInfoChange, e.connection, &event);
    }
    return events.size();
}

int32_t Host::getInfo(uint32_t connection, InfoRequest* request) {
    if (!request || request->size != (int32_t)sizeof(InfoRequest) || !request->value)
        return 0;
    if (std::find(failingInfo_.begin(), failingInfo_.end(), request->code) !=
        failingInfo_.end())
        return 0;
    const Connection* c = find(connection);
    if (!c) return 0;
    InfoValue* v = request->value;
    if (!v->data || v->size <= 0) return 0;
    switch (request->code) {
    case kInfoDisplayName: {
        size_t units = (size_t)v->size / sizeof(WCHAR);
        if (units == 0) return 0;
        size_t n = std::min(c->name.size(), units - 1);
        memcpy(v->data, c->name.data(), n * sizeof(WCHAR));
        ((WCHAR*)v->data)[n] = 0;
        return 1;
    }
    case kInfoProtocolName: {
        size_t n = std::min(c->protocol.size(), (size_t)v->size - 1);
        memcpy(v->data, c->protocol.data(), n);
        ((char*)v->data)[n] = 0;
        return 1;
    }
    case kInfoConnectionStatus:
        if (v->size < 4) return 0;
        memcpy(v->data, &c->status, 4);
        return 1;
    }
    return 0;
}

// A real host caps names; ours records whatever arrives, so the tests see
// exactly what the plug-in sent, and measures it against the 1024-unit limit.
int32_t Host::changeUserName(const std::string& path, uint32_t connection,
                             NameChangeRequest* request) {
    if (!request || request->size != (int32_t)sizeof(NameChangeRequest) || !request->name)
        return 0;
    Connection* c = findMutable(connection);
    if (!c) return 0;
    WText name;
    for (size_t i = 0; i < 4096 && request->name[i]; i++)
        name.push_back(request->name[i]);
    bool accepted = !refuse_;
    nameChanges_.push_back(NameChange{connection, name, accepted});
    note(std::string(accepted ? "name " : "name refused ") + std::to_string(connection) +
         " -> \"" + narrow(name) + "\" via " + path);
    if (!accepted) return 0;
    WText taken = normalised(name);
    if (holdAcks_) {
        held_.push_back(PendingEvent{connection, taken, true});
        return 1;
    }
    c->name = taken;
    if (!silent_) pending_.push_back(PendingEvent{connection, taken, false});
    return 1;
}

int32_t WINAPI Host::registerCommandEntry(const char* path, HostHandler h) {
    Host& host = instance();
    host.countLateCall("registerCommand");
    host.commands_.push_back(path ? path : "");
    host.commandHandlers_.push_back(Hook{path ? path : "", h});
    return 1;
}

uint32_t WINAPI Host::openServiceEntry(const char* path) {
    Host& host = instance();
    host.countLateCall("openService");
    std::string p = path ? path : "";
    host.opened_.push_back(p);
    if (!host.failingServicePrefix_.empty() &&
        p.compare(0, host.failingServicePrefix_.size(), host.failingServicePrefix_) == 0)
        return 0;
    bool known =
        p == kGetInfoPath ||
        (p.compare(0, strlen(kChangeUserNamePrefix), kChangeUserNamePrefix) == 0 &&
         p.size() > strlen(kChangeUserNameSuffix) &&
         p.compare(p.size() - strlen(kChangeUserNameSuffix), std::string::npos,
                   kChangeUserNameSuffix) == 0);
    if (!known) return 0;
    for (const Service& s : host.services_)
        if (s.path == p) return s.handle;
    Service s = {host.nextService_++, p};
    host.services_.push_back(s);
    return s.handle;
}

int32_t WINAPI Host::callServiceEntry(uint32_t service, uint32_t connection,
                                      void* request) {
    Host& host = instance();
    host.countLateCall("callService");
    host.countEndedCall(connection);
    for (const Service& s : host.services_) {
        if (s.handle != service) continue;
        if (s.path == kGetInfoPath)
            return host.getInfo(connection, (InfoRequest*)request);
        return host.changeUserName(s.path, connection, (NameChangeRequest*)request);
    }
    return 0;
}

int32_t WINAPI Host::hookEventEntry(const char* path, HostHandler h) {
    Host& host = instance();
    host.countLateCall("hookEvent");
    host.hooked_.push_back(path ? path : "");
    host.hooks_.push_back(Hook{path ? path : "", h});
    return 1;
}

}  // namespace testhost
