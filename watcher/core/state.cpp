#include "state.h"

#include "lookup.h"

namespace nw {

WatcherState& watcherState() {
    static WatcherState state;
    return state;
}

void ffff(const std::string& a, const std::string& b) {
    if (a == b) watcherState().SecondAddress = kNotAvailable;
}

namespace {
AddressView* g_view = nullptr;
}
void setAddressView(AddressView* view) { g_view = view; }
AddressView* addressView() { return g_view; }

}  // namespace nw
