#!/usr/bin/python3
# Regenerates tests/fixtures/systool/captured/: lumra-systool's output for
# each command line the probes run, taken inside a client/router namespace
# pair (netns.sh) with a few TCP sockets open, once plainly and once with a
# tunnel interface up, then as the network fails under the probes (faults/).
# Run as root from the source tree:
#   tests/systool/capture_fixtures.py BUILD_DIR/bin/lumra-systool
# Traffic stays inside the namespaces; they are removed at the end.
import json
import os
import socket
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "fixtures", "systool", "captured")
CLIENT, ROUTER = "lumra_systool_cap_c%d" % os.getpid(), "lumra_systool_cap_r%d" % os.getpid()
CLIENT_IF, ROUTER_IF = "lsc0", "lsr0"
NETNS = [os.path.join(HERE, "netns.sh")]
NS_ARGS = [CLIENT, ROUTER, CLIENT_IF, ROUTER_IF]


def in_client(argv, **kwargs):
    return subprocess.run(["ip", "netns", "exec", CLIENT] + argv, capture_output=True, text=True, **kwargs)


def file_name(argv, suffix):
    text = "_".join(argv).replace("/", "-").replace(":", "-")
    return text + (("." + suffix) if suffix else "") + ".txt"


def capture(tool, argv, suffix="", environment=None, folder=""):
    result = in_client([tool] + argv, env=environment)
    name = os.path.join(folder, file_name(argv, suffix))
    with open(os.path.join(OUT, name), "w") as out:
        out.write(result.stdout)
    return name, argv, result.returncode


def open_sockets():
    """Run inside the client namespace: listener, established pairs, one
    TIME_WAIT, one CLOSE_WAIT, an IPv6 pair; then print once ready."""
    listener = socket.create_server(("10.213.0.2", 8080))
    keep = []
    for _ in range(2):
        client = socket.create_connection(("10.213.0.2", 8080))
        keep += [client, listener.accept()[0]]
    client = socket.create_connection(("10.213.0.2", 8080))
    server = listener.accept()[0]
    client.close()
    server.close()
    client = socket.create_connection(("10.213.0.2", 8080))
    keep.append(listener.accept()[0])
    client.close()
    listener6 = socket.create_server(("::1", 8766), family=socket.AF_INET6)
    client6 = socket.create_connection(("::1", 8766))
    keep += [client6, listener6.accept()[0]]
    time.sleep(0.2)
    print("ready", flush=True)
    sys.stdin.read()


def main():
    tool = os.path.abspath(sys.argv[1])
    if len(sys.argv) > 2 and sys.argv[2] == "--sockets":
        open_sockets()
        return
    os.makedirs(OUT, exist_ok=True)
    index = []
    subprocess.run(["sh"] + NETNS + ["setup"] + NS_ARGS, check=True)
    try:
        holder = subprocess.Popen(["ip", "netns", "exec", CLIENT, sys.executable, __file__, tool, "--sockets"],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        assert holder.stdout.readline() == "ready\n"
        index.append(capture(tool, ["netstat", "-n", "-p", "tcp"]))
        holder.stdin.close()
        holder.wait()
        for argv in (["netstat", "-rn"], ["netstat", "-rn", "-f", "inet"], ["netstat", "-rn", "-f", "inet6"],
                     ["ipconfig", "getoption", CLIENT_IF, "router"], ["ipconfig", "getifaddr", CLIENT_IF],
                     ["ipconfig", "getoption", "lo", "router"], ["ifconfig"]):
            index.append(capture(tool, argv))
        no_bus = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nonexistent/bus")
        index.append(capture(tool, ["scutil", "--nc", "list"], environment=no_bus))
        for argv in (["ping", "-c", "2", "-W", "1000", "127.0.0.1"], ["ping", "-c", "2", "-W", "1000", "10.213.0.1"],
                     ["ping", "-c", "2", "-W", "300", "10.213.0.99"], ["ping6", "-c", "2", "::1"],
                     ["ping6", "-c", "2", "fe80::1%" + CLIENT_IF]):
            index.append(capture(tool, argv))
        index += capture_tunnel(tool)
        index.append(capture_vpn_services(tool))
        index += capture_faults(tool)
    finally:
        subprocess.run(["sh"] + NETNS + ["cleanup"] + NS_ARGS)
    with open(os.path.join(OUT, "README"), "w") as readme:
        readme.write("lumra-systool output captured by tests/systool/capture_fixtures.py inside a client\n"
                     "namespace (%s, 10.213.0.2/24, fd42:213::2/64) whose router is 10.213.0.1 and\n"
                     "fe80::1; faults/ as the network then fails under the probes. File, exit\n"
                     "status, command line:\n\n" % CLIENT_IF)
        for name, argv, status in index:
            readme.write("%s\t%d\t%s\n" % (name, status, " ".join(argv)))


def capture_tunnel(tool):
    """A tunnel as a VPN client leaves it: utun3 held open (so RUNNING),
    point-to-point address, half-default routes and a specific one."""
    steps = [["ip", "addr", "add", "10.8.0.2", "peer", "10.8.0.1", "dev", "utun3"],
             ["ip", "link", "set", "utun3", "up"],
             ["ip", "route", "add", "0.0.0.0/1", "via", "10.8.0.1", "dev", "utun3"],
             ["ip", "route", "add", "128.0.0.0/1", "via", "10.8.0.1", "dev", "utun3"],
             ["ip", "route", "add", "10.8.0.0/16", "via", "10.8.0.1", "dev", "utun3"]]
    # Opening /dev/net/tun with TUNSETIFF creates the device and holds it.
    opener = ("import fcntl, os, struct, sys\n"
              "fd = os.open('/dev/net/tun', os.O_RDWR)\n"
              "fcntl.ioctl(fd, 0x400454ca, struct.pack('16sH', b'utun3', 0x1001))\n"
              "print('ready', flush=True)\n"
              "sys.stdin.read()\n")
    holder = subprocess.Popen(["ip", "netns", "exec", CLIENT, sys.executable, "-c", opener],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    assert holder.stdout.readline() == "ready\n"
    for step in steps:
        in_client(step).check_returncode()
    time.sleep(0.5)
    taken = [capture(tool, ["ifconfig"], "tunnel"), capture(tool, ["netstat", "-rn"], "tunnel")]
    holder.stdin.close()
    holder.wait()
    return taken


def capture_faults(tool):
    """What the probes meet when the network fails: a router that drops
    ICMP, a resolver that never answers or answers SERVFAIL, the default
    routes removed, the interface removed. Last: it takes the link down."""
    os.makedirs(os.path.join(OUT, "faults"), exist_ok=True)
    taken = []

    def take(argv, suffix):
        taken.append(capture(tool, argv, suffix, folder="faults"))

    lookup = ["dig", "+time=1", "+tries=1", "fault.lumra.test"]
    for mode in ("silent", "servfail"):
        server = subprocess.Popen(["ip", "netns", "exec", CLIENT, sys.executable,
                                   os.path.join(HERE, "..", "faults", "dns_server.py"), "127.0.0.1", "53", mode],
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        assert server.stdout.readline() == "ready\n"
        take(lookup, mode)
        server.stdin.close()
        server.wait()
    subprocess.run(["ip", "netns", "exec", ROUTER, "sysctl", "-qw", "net.ipv4.icmp_echo_ignore_all=1"], check=True)
    take(["ping", "-c", "2", "-W", "300", "10.213.0.1"], "icmp-dropped")
    for family in ("-4", "-6"):
        in_client(["ip", family, "route", "del", "default"]).check_returncode()
    for argv in (["netstat", "-rn", "-f", "inet"], ["netstat", "-rn", "-f", "inet6"],
                 ["ipconfig", "getoption", CLIENT_IF, "router"], ["ping", "-c", "2", "-W", "300", "10.215.0.9"]):
        take(argv, "no-default-route")
    in_client(["ip", "link", "delete", CLIENT_IF]).check_returncode()
    for argv in (["ipconfig", "getoption", CLIENT_IF, "router"], ["netstat", "-rn", "-f", "inet"],
                 ["netstat", "-rn", "-f", "inet6"], ["ping", "-c", "2", "-W", "300", "10.213.0.1"], ["ifconfig"]):
        take(argv, "no-interface")
    return taken


def capture_vpn_services(tool):
    """scutil --nc list against the fake NetworkManager the bus test uses."""
    directory = "/tmp/lumra-systool-capture-bus"
    subprocess.run(["rm", "-rf", directory])
    os.makedirs(directory)
    address = "unix:path=%s/bus" % directory
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address,
                            "--print-address=1"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    bus.stdout.readline()
    scenario = {"connections": [
        {"id": "Office VPN", "uuid": "6d0b0d8e-ab63-4f4d-9d6f-1e2f3c4b5a69", "type": "vpn", "state": 2},
        {"id": "Wired connection 1", "uuid": "1d7e9f0a-0000-4000-8000-000000000001", "type": "802-3-ethernet",
         "state": 2},
        {"id": "wg-home", "uuid": "0f6c7a52-4a5e-4c4e-8d8e-3c8c6c2f9e11", "type": "wireguard", "state": 1},
        {"id": "Lab", "uuid": "2a0b4c6d-1111-4111-8111-111111111111", "type": "vpn", "state": 3}]}
    service = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "fake_network_manager.py"), address,
                                json.dumps(scenario)], stdout=subprocess.PIPE, text=True)
    try:
        assert service.stdout.readline() == "ready\n"
        return capture(tool, ["scutil", "--nc", "list"], "networkmanager",
                       dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=address))
    finally:
        service.kill()
        bus.kill()
        service.wait()
        bus.wait()
        subprocess.run(["rm", "-rf", directory])


main()
