#!/usr/bin/env bash
# The host address library and the local-address rule against a network, host name and resolver
# of our own: the script runs itself again inside private network, host-name and mount
# namespaces, where only veth pairs of its own exist and a private dnsmasq answers on 127.0.0.1.
# Nothing leaves the namespace.
set -u
probe="$NW_BIN/hostaddr_probe"

if [ "${1:-}" != inside ]; then
    [ "$(id -u)" = 0 ] || { echo "network namespaces need root; skipped"; exit 77; }
    exec unshare --net --uts --mount bash "$0" inside
fi

work=$(mktemp -d /tmp/nwhostaddr.XXXXXX)
dns_pid=
cleanup() {
    [ -n "$dns_pid" ] && kill "$dns_pid" 2>/dev/null && wait "$dns_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
expect() {  # expect LABEL EXPECTED ACTUAL
    if [ "$2" = "$3" ]; then
        echo "ok   $1: $3"
    else
        echo "FAIL $1: expected '$2', got '$3'"
        failures=$((failures + 1))
    fi
}

# A veth pair kept inside the namespace; NAME gets the addresses.
add_link() {  # add_link NAME ADDRESS/PREFIX...
    local name=$1
    shift
    ip link add "$name" type veth peer name "${name}p"
    ip link set "${name}p" up
    for a in "$@"; do ip addr add "$a" dev "$name"; done
    ip link set "$name" up
}

ip link set lo up
printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >"$work/resolv.conf"
mount --bind "$work/resolv.conf" /etc/resolv.conf
printf '127.0.0.1 localhost\n' >"$work/hosts"
mount --bind "$work/hosts" /etc/hosts

# --- the local-address rule ---
expect "only loopback" 127.0.0.1 "$("$probe" local)"
# eth1 comes first in the interface list; eth0 carries the default route.
add_link eth1 198.51.100.7/24
expect "no default route: first up interface" 198.51.100.7 "$("$probe" local)"
add_link eth0 192.0.2.10/24
ip route add default via 192.0.2.1 dev eth0
expect "default route wins over the first interface" 192.0.2.10 "$("$probe" local)"
# An earlier address of another subnet on the same interface: the gateway's subnet decides.
ip addr flush dev eth0
ip addr add 10.9.9.9/24 dev eth0
ip addr add 192.0.2.10/24 dev eth0
ip route add default via 192.0.2.1 dev eth0
expect "the address facing the gateway" 192.0.2.10 "$("$probe" local)"
ip route del default
ip link set eth1 down
expect "no default route, first interface down" 10.9.9.9 "$("$probe" local)"
ip link set eth1 up
ip addr del 10.9.9.9/24 dev eth0
ip route add default via 192.0.2.1 dev eth0

# --- the host address library: names from the hosts file ---
hostname testhost
printf '127.0.0.1 localhost\n192.0.2.10 testhost\n' >"$work/hosts"
expect "one address, size 16" "1 10 [192.0.2.10] extent=11" "$("$probe" hostexp 16)"
expect "size 15" "0 0 [] extent=1" "$("$probe" hostexp 15)"
printf '127.0.0.1 localhost\n192.0.2.10 testhost\n198.51.100.7 testhost\n' >"$work/hosts"
expect "two addresses: the last" "1 12 [198.51.100.7] extent=13" "$("$probe" hostexp 16)"
expect "two addresses, roomy buffer" "1 12 [198.51.100.7] extent=13" "$("$probe" hostexp 32)"

# --- names from a resolver: a name with only an IPv6 record, and an unknown name ---
printf '127.0.0.1 localhost\n' >"$work/hosts"
dnsmasq --keep-in-foreground --conf-file=/dev/null --no-resolv --no-hosts --user=root --pid-file= \
    --listen-address=127.0.0.1 --bind-interfaces --port=53 --local=/test/ \
    --host-record=nodata.test,2001:db8::7 --log-queries --log-facility="$work/dns.log" \
    2>"$work/dnsmasq.err" &
dns_pid=$!
for _ in $(seq 1 50); do grep -q 'started' "$work/dns.log" 2>/dev/null && break; sleep 0.1; done
grep -q 'started' "$work/dns.log" 2>/dev/null || { echo "dnsmasq did not start"; cat "$work/dnsmasq.err"; exit 1; }

hostname nodata.test
expect "size 15 asks nobody" "0 0 [] extent=1" "$("$probe" hostexp 15)"
expect "no query sent for size 15" 0 "$(grep -c 'query\[' "$work/dns.log")"
expect "name without an IPv4 record" "1 7 [0.0.0.0] extent=8" "$("$probe" hostexp 16)"
expect "size 16 did ask" yes "$(grep -q 'query\[A\] nodata.test' "$work/dns.log" && echo yes)"
hostname unknown.test
expect "unknown name" "0 0 [] extent=1" "$("$probe" hostexp 16)"

[ "$failures" = 0 ] || exit 1
echo "all cases passed"
