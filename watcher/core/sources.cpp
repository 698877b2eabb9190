// The three address readers. frmIPGET, the hidden container the readers once lived on, needs no
// counterpart here: the readers keep no state, so there is nothing to create or release.
#include "sources.h"

#include "client.h"
#include "lookup.h"
#include "nw/platform/localaddress.h"
#include "nw/platform/ui.h"
#include "settings.h"

namespace nw {

std::string GIp() {
    std::string address = localIPv4Address();
    doEvents();
    return address;
}

std::string PIp() {
    std::string address = LibraryAddress();
    doEvents();
    return address;
}

std::string WIp2() {
    const Settings& s = settings();
    if (!s.UseRouterLookup) return kNotAvailable;
    return FetchWanAddress(s.LookupUrl, s.UseAdvancedParse, s.ParseStartMarker, s.ParseEndMarker, s.PageCharset,
                           s.AddressSeparator, s.AddressOrdinal);
}

}  // namespace nw
