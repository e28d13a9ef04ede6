#include "testhost/media_session_driver.h"

#include <objbase.h>

#include "testhost/host_folder.h"

namespace testhost {

namespace {

const char kClassKey[] =
    "Software\\Microsoft\\WindowsRuntime\\ActivatableClassId\\"
    "Windows.Media.Control.GlobalSystemMediaTransportControlsSessionManager";

std::string dllPath() {
    return hostFolder() + "fake_media_session.dll";
}

template <typename F>
bool find(HMODULE module, const char* name, F* function, std::string* error) {
    *function = (F)(void*)GetProcAddress(module, name);
    if (*function) return true;
    *error = std::string("fake_media_session.dll lacks ") + name;
    return false;
}

}  // namespace

bool MediaSessionDriver::load(std::string* error) {
    if (module_) return true;
    HMODULE m = LoadLibraryA(dllPath().c_str());
    if (!m) {
        *error = "cannot load " + dllPath() + ", error " + std::to_string(GetLastError());
        return false;
    }
    if (!find(m, "FakeSessionsClear", &clear_, error) ||
        !find(m, "FakeSessionsAdd", &add_, error) ||
        !find(m, "FakeSessionsSet", &set_, error) ||
        !find(m, "FakeSessionsCurrent", &current_, error) ||
        !find(m, "FakeSessionsDelay", &delay_, error) ||
        !find(m, "FakeSessionsFail", &fail_, error) ||
        !find(m, "FakeSessionsPumpDuring", &pumpDuring_, error) ||
        !find(m, "FakeSessionsCount", &count_, error)) {
        FreeLibrary(m);
        return false;
    }
    module_ = m;
    return true;
}

bool MediaSessionDriver::registerClass(std::string* error) {
    if (!load(error)) return false;
    HKEY key = NULL;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClassKey, 0, NULL, 0, KEY_SET_VALUE,
                              NULL, &key, NULL);
    if (rc == ERROR_SUCCESS) {
        const std::string path = dllPath();
        rc = RegSetValueExA(key, "DllPath", 0, REG_SZ, (const BYTE*)path.c_str(),
                            (DWORD)path.size() + 1);
        RegCloseKey(key);
    }
    if (rc != ERROR_SUCCESS) {
        *error = "cannot register the fake media session, error " + std::to_string(rc);
        return false;
    }
    registered_ = true;
    return true;
}

bool MediaSessionDriver::unregisterClass(std::string* error) {
    LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kClassKey);
    registered_ = false;
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) return true;
    *error = "cannot remove the fake media session's key, error " + std::to_string(rc);
    return false;
}

bool MediaSessionDriver::clear(std::string* error) {
    if (!load(error)) return false;
    clear_();
    return true;
}

bool MediaSessionDriver::add(const WText& appId, int playback, const WText& title,
                             const WText& artist, std::string* error) {
    if (!load(error)) return false;
    add_(appId.c_str(), playback, title.c_str(), artist.c_str());
    return true;
}

bool MediaSessionDriver::set(int index, int playback, const WText* title,
                             const WText* artist, std::string* error) {
    if (!load(error)) return false;
    if (set_(index, playback, title ? title->c_str() : NULL,
             artist ? artist->c_str() : NULL))
        return true;
    *error = "no session " + std::to_string(index);
    return false;
}

bool MediaSessionDriver::current(int index, std::string* error) {
    if (!load(error)) return false;
    current_(index);
    return true;
}

bool MediaSessionDriver::delay(DWORD ms, std::string* error) {
    if (!load(error)) return false;
    delay_(ms);
    return true;
}

bool MediaSessionDriver::fail(const std::string& call, int times, std::string* error) {
    if (!load(error)) return false;
    if (fail_(call.c_str(), times)) return true;
    *error = "the fake media session has no call " + call;
    return false;
}

bool MediaSessionDriver::pumpDuring(const std::string& call, DWORD ms,
                                    std::string* error) {
    if (!load(error)) return false;
    if (pumpDuring_(call.c_str(), ms)) return true;
    *error = "the fake media session has no call " + call;
    return false;
}

bool MediaSessionDriver::count(const std::string& call, int* value, std::string* error) {
    if (!load(error)) return false;
    *value = count_(call.empty() ? NULL : call.c_str());
    if (*value >= 0) return true;
    *error = "the fake media session has no call " + call;
    return false;
}

bool MediaSessionDriver::setHostApartment(const std::string& kind, std::string* error) {
    if (kind == "none") {
        for (; hostInits_ > 0; hostInits_--) CoUninitialize();
        return true;
    }
    if (kind != "sta" && kind != "mta") {
        *error = "apartment: sta, mta or none";
        return false;
    }
    HRESULT hr = CoInitializeEx(
        NULL, kind == "sta" ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        *error = "CoInitializeEx failed, error " + std::to_string((long)hr);
        return false;
    }
    hostInits_++;
    return true;
}

std::string MediaSessionDriver::apartment() const {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier)) ||
        qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA)
        return "none";
    if (type == APTTYPE_STA || type == APTTYPE_MAINSTA) return "sta";
    if (type == APTTYPE_MTA) return "mta";
    return "other";
}

void MediaSessionDriver::finish() {
    std::string ignored;
    if (registered_) unregisterClass(&ignored);
    if (module_) clear_();
    setHostApartment("none", &ignored);
}

}  // namespace testhost
