// The first local address of this computer. The rule, in order:
//   1. The interface that carries the default route (the up IPv4 route 0.0.0.0/0 of the main
//      table with the lowest metric, from /proc/net/route). Its address is the source address the
//      kernel picks for reaching the route's gateway (a UDP connect, which sends nothing), or,
//      when that is not an address of the interface (or the route has no gateway), the
//      interface's first IPv4 address.
//   2. Otherwise the first IPv4 address, in the kernel's interface order, of an interface that
//      is up and is not a loopback.
//   3. Otherwise 127.0.0.1.
// Nothing is sent on the network.
#include "nw/platform/localaddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace nw {

namespace {

// A hexadecimal field of the route table; false when it is not one.
bool hexField(const std::string& field, unsigned long& value) {
    if (field.empty()) return false;
    char* end = nullptr;
    value = std::strtoul(field.c_str(), &end, 16);
    return end && *end == '\0';
}

struct DefaultRoute {
    std::string interface;
    in_addr_t gateway = 0;  // network byte order; 0 when the route has none
};

// The default route with the lowest metric, if there is one.
std::optional<DefaultRoute> defaultRoute() {
    std::ifstream table("/proc/net/route");
    if (!table) return std::nullopt;
    std::string line;
    std::getline(table, line);  // column titles
    std::optional<DefaultRoute> best;
    unsigned long bestMetric = 0;
    while (std::getline(table, line)) {
        // Iface Destination Gateway Flags RefCnt Use Metric Mask ... (addresses as hex words
        // in the kernel's byte order, which is the network order read as a host integer)
        std::istringstream fields(line);
        std::string iface, destination, gateway, flagsText, refcnt, use, metricText, mask;
        fields >> iface >> destination >> gateway >> flagsText >> refcnt >> use >> metricText >> mask;
        unsigned long dest = 0, gw = 0, flags = 0, metric = 0, netmask = 0;
        if (!hexField(destination, dest) || !hexField(gateway, gw) || !hexField(flagsText, flags) ||
            !hexField(mask, netmask))
            continue;
        metric = std::strtoul(metricText.c_str(), nullptr, 10);
        if (!(flags & RTF_UP) || dest != 0 || netmask != 0) continue;
        if (best && metric >= bestMetric) continue;
        DefaultRoute route;
        route.interface = iface;
        if (flags & RTF_GATEWAY) route.gateway = static_cast<in_addr_t>(gw);
        best = route;
        bestMetric = metric;
    }
    return best;
}

struct InterfaceAddress {
    std::string interface;
    unsigned flags = 0;
    in_addr address{};
};

// The IPv4 addresses of all interfaces, in the kernel's order.
std::vector<InterfaceAddress> interfaceAddresses() {
    std::vector<InterfaceAddress> list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return list;
    for (const ifaddrs* a = all; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_name) continue;
        list.push_back({a->ifa_name, a->ifa_flags, reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr});
    }
    freeifaddrs(all);
    return list;
}

// The source address the kernel would use to reach `target`; nothing is sent.
std::optional<in_addr> sourceAddressFor(in_addr_t target) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::nullopt;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);  // discard; only the route lookup matters
    to.sin_addr.s_addr = target;
    std::optional<in_addr> result;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        sockaddr_in local{};
        socklen_t size = sizeof local;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) == 0 && local.sin_addr.s_addr != 0)
            result = local.sin_addr;
    }
    close(fd);
    return result;
}

std::string dotted(in_addr address) {
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &address, text, sizeof text)) return {};
    return text;
}

bool usable(const InterfaceAddress& a) { return (a.flags & IFF_UP) && !(a.flags & IFF_LOOPBACK); }

}  // namespace

std::string localIPv4Address() {
    const std::vector<InterfaceAddress> addresses = interfaceAddresses();

    if (const auto route = defaultRoute()) {
        std::optional<in_addr> first;
        bool sourceOnInterface = false;
        const std::optional<in_addr> source = route->gateway ? sourceAddressFor(route->gateway) : std::nullopt;
        for (const InterfaceAddress& a : addresses) {
            if (a.interface != route->interface || !usable(a)) continue;
            if (!first) first = a.address;
            if (source && source->s_addr == a.address.s_addr) sourceOnInterface = true;
        }
        if (sourceOnInterface) return dotted(*source);
        if (first) return dotted(*first);
    }

    for (const InterfaceAddress& a : addresses) {
        if (usable(a)) return dotted(a.address);
    }
    return "127.0.0.1";
}

}  // namespace nw
