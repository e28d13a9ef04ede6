#include "testhost/dde_player_driver.h"

namespace testhost {

bool DdePlayerDriver::setItem(const WText& item, const WText& value, std::string* error) {
    WText payload = item;
    payload.push_back(0);
    payload += value;
    COPYDATASTRUCT cd = {fake::kSetItem,
                         static_cast<DWORD>(payload.size() * sizeof(WCHAR)), &payload[0]};
    return process_.send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd), error);
}

bool DdePlayerDriver::setBehaviour(fake::Mode mode, DWORD ms, std::string* error) {
    fake::Behaviour behaviour = {mode, ms};
    COPYDATASTRUCT cd = {fake::kSetBehaviour, sizeof behaviour, &behaviour};
    return process_.send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd), error);
}

bool DdePlayerDriver::quitAfterStatus(std::string* error) {
    return process_.send(fake::kQuitAfterStatus, 0, 0, error);
}

bool DdePlayerDriver::setCaption(const WText& caption, std::string* error) {
    return process_.send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()), error);
}

}  // namespace testhost
