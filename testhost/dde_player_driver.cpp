#include "testhost/dde_player_driver.h"

namespace testhost {

bool DdePlayerDriver::setItem(const WText& item, const WText& value, std::string* error) {
    WText payload = item;
    payload.push_back(0);
    payload += value;
    COPYDATASTRUCT cd = {fakedde::kSetItem,
                         static_cast<DWORD>(payload.size() * sizeof(WCHAR)), &payload[0]};
    return process_.send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd), true, error);
}

bool DdePlayerDriver::setBehaviour(fakedde::Mode mode, DWORD ms, std::string* error) {
    fakedde::Behaviour behaviour = {mode, ms};
    COPYDATASTRUCT cd = {fakedde::kSetBehaviour, sizeof behaviour, &behaviour};
    return process_.send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cd), true, error);
}

bool DdePlayerDriver::setCaption(const WText& caption, std::string* error) {
    return process_.send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()), true,
                         error);
}

}  // namespace testhost
