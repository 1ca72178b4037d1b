"""Runs programs of ours inside the simulated-radio VM.

The VM is qemu in software emulation (TCG, no -enable-kvm) with no network
device at all (-nic none), booting Debian's own kernel, whose package is
fetched with `apt-get download` and unpacked with `dpkg-deb -x`, never
installed. Its initramfs holds busybox, hostapd, wpa_supplicant, iw, the
wireless modules and scene/init, which builds the shared scene (see there).
A test hands over its programs and a shell script; the script's standard
output comes back as the result lines (one JSON object per line). A test
that needs the host's own programs (Qt, Xvfb, python3) shares host
directories read-only over virtio-9p instead of packing them; scene/host-root
mounts them in the VM.

./setup --tests unpacks the kernel into KERNEL_CACHE (`lumra_vm.py install-kernel`);
without it a run fetches the kernel itself into its own cache directory
(inside the build directory), where the initramfs is kept too, so a second
run only boots.
"""

import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import time
from pathlib import Path

SCENE_DIR = Path(__file__).resolve().parent / "scene"
# Filled by ./setup --tests (as root), read by every build directory's VM tests.
KERNEL_CACHE = Path("/var/cache/lumra-vm")
KERNEL_META_PACKAGE = "linux-image-amd64"
# The one LINUX-NOTES.md item 9 was checked with; used only when apt cannot
# say which one the meta package points to now.
KNOWN_GOOD_KERNEL = "6.1.0-57-amd64"
TARGET_MODULE = "mac80211_hwsim"
# What mounting a host directory over virtio-9p takes, kept beside the radio's
# modules in their own directory (older caches lack it).
HOST_SHARE_MODULES = ["virtio_pci", "9pnet_virtio", "9p"]
TOOLS = ["/bin/busybox", "/usr/sbin/hostapd", "/usr/sbin/wpa_supplicant", "/usr/sbin/wpa_cli", "/usr/sbin/iw"]
SKIP = 77


class VmError(Exception):
    pass


def log(text):
    print(f"vm: {text}", flush=True)


def qemu_binary():
    return shutil.which("qemu-system-x86_64")


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise VmError(f"{' '.join(map(str, command))} failed ({result.returncode}):\n{result.stderr}")
    return result.stdout


# ---------------------------------------------------------------- kernel

def apt_kernel_version():
    """The ABI the kernel meta package depends on, e.g. 6.1.0-57-amd64; None
    when apt cannot say (no package lists yet)."""
    try:
        out = subprocess.run(["apt-cache", "depends", KERNEL_META_PACKAGE], capture_output=True, text=True).stdout
    except FileNotFoundError:
        out = ""
    for line in out.splitlines():
        line = line.strip()
        if line.startswith("Depends: linux-image-"):
            return line[len("Depends: linux-image-"):]
    return None


def resolve_kernel_version():
    return apt_kernel_version() or KNOWN_GOOD_KERNEL


def is_complete(kernel):
    return (kernel / "complete").exists()


def version_key(path):
    """Orders kernel-6.1.0-9-amd64 before kernel-6.1.0-57-amd64."""
    return [(0, int(part), "") if part.isdigit() else (1, 0, part) for part in re.split(r"(\d+)", path.name)]


def cached_kernels(*caches):
    """Every complete kernel in the caches, newest version last."""
    found = [path.parent for cache in caches for path in Path(cache).glob("kernel-*/complete")]
    return sorted(found, key=version_key)


def is_usable(kernel, host_share):
    return is_complete(kernel) and (not host_share or has_host_share(kernel))


def locate_kernel(cache, host_share=False):
    """The kernel ./setup --tests unpacked, else one this build directory fetched
    earlier, else a fresh fetch into it; offline, any cached kernel. With
    host_share, only one that has the modules for host shares."""
    version = resolve_kernel_version()
    for directory in (KERNEL_CACHE, Path(cache)):
        if is_usable(directory / f"kernel-{version}", host_share):
            return directory / f"kernel-{version}", version
    try:
        return fetch_kernel(Path(cache), version), version
    except VmError as error:
        # Offline, or the archive moved on: a kernel fetched earlier still does.
        cached = [kernel for kernel in cached_kernels(KERNEL_CACHE, cache) if is_usable(kernel, host_share)]
        if not cached:
            raise
        kernel = cached[-1]
        log(f"using the cached {kernel.name}: {error}")
        return kernel, (kernel / "complete").read_text().strip()


def module_depends_of(body):
    """The depends= field of a module's .modinfo section."""
    for field in body.split(b"\0"):
        if field.startswith(b"depends="):
            value = field[len(b"depends="):].decode()
            return [name for name in value.split(",") if name]
    return []


def load_order(depends, target):
    """Dependencies first, each once; depends maps a module to those it needs."""
    order = []

    def visit(name, trail):
        if name in order:
            return
        if name in trail:
            raise VmError(f"module dependency cycle through {name}")
        if name not in depends:
            raise VmError(f"module {name} is not in the kernel package")
        for dependency in depends[name]:
            visit(dependency, trail + [name])
        order.append(name)

    visit(target, [])
    return order


def kernel_package_members(deb):
    """The file members of a kernel package, streamed (never unpacked to
    disk: the modules tree alone is hundreds of megabytes)."""
    unpack = subprocess.Popen(["dpkg-deb", "--fsys-tarfile", str(deb)], stdout=subprocess.PIPE)
    try:
        with tarfile.open(fileobj=unpack.stdout, mode="r|") as archive:
            for member in archive:
                if member.isfile():
                    yield member, archive
    finally:
        unpack.stdout.close()
        if unpack.wait() != 0:
            raise VmError(f"dpkg-deb --fsys-tarfile {deb} failed ({unpack.returncode})")


def module_name(member_name):
    return Path(member_name).stem.replace("-", "_")


def unpack_kernel(deb, version, into, host_share_only=False):
    """vmlinuz and the modules the scene and the host shares load, with their
    load orders, into `into` (modules/, hostfs/). Two streamed passes: the
    first reads every module's dependencies, the second keeps what is needed."""
    depends = {}
    for member, archive in kernel_package_members(deb):
        if member.name.endswith(".ko"):
            depends[module_name(member.name)] = module_depends_of(archive.extractfile(member).read())
    radio = [] if host_share_only else load_order(depends, TARGET_MODULE)
    share = []
    for target in HOST_SHARE_MODULES:
        share += [name for name in load_order(depends, target) if name not in share]
    kernel_image = f"boot/vmlinuz-{version}"
    for sub in ("modules", "hostfs"):
        (into / sub).mkdir(parents=True, exist_ok=True)
    for member, archive in kernel_package_members(deb):
        name = member.name.lstrip("./")
        if name == kernel_image and not host_share_only:
            (into / "vmlinuz").write_bytes(archive.extractfile(member).read())
        elif name.endswith(".ko") and module_name(name) in share + radio:
            body = archive.extractfile(member).read()
            stem = module_name(name)
            if stem in radio:
                (into / "modules" / f"{stem}.ko").write_bytes(body)
            if stem in share:
                (into / "hostfs" / f"{stem}.ko").write_bytes(body)
    if not host_share_only:
        if not (into / "vmlinuz").exists():
            raise VmError(f"no {kernel_image} in {deb}")
        # The target last, loaded by the scene with its own parameters.
        (into / "modules" / "order").write_text("\n".join(radio[:-1]) + "\n")
    (into / "hostfs" / "order").write_text("\n".join(share) + "\n")


def download_kernel_package(work, version):
    run(["apt-get", "download", f"linux-image-{version}"], cwd=work)
    debs = list(work.glob("*.deb"))
    if len(debs) != 1:
        raise VmError(f"apt-get download left {debs}")
    return debs[0]


def has_host_share(kernel):
    return (kernel / "hostfs" / "order").exists()


def fetch_kernel(cache, version):
    """vmlinuz and the modules the scene and the host shares load, kept per
    kernel version. A kernel fetched before the host shares existed gets
    their modules added in place (its other files untouched)."""
    final = cache / f"kernel-{version}"
    if is_complete(final) and has_host_share(final):
        return final
    log(f"fetching linux-image-{version} into {cache}")
    cache.mkdir(parents=True, exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix="kernel-", dir=cache))
    try:
        deb = download_kernel_package(work, version)
        kept = work / "kept"
        if is_complete(final):
            unpack_kernel(deb, version, kept, host_share_only=True)
            (kept / "hostfs").rename(final / "hostfs")
            return final
        unpack_kernel(deb, version, kept)
        (kept / "complete").write_text(version + "\n")
        if final.exists():
            shutil.rmtree(final)
        kept.rename(final)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return final


# ---------------------------------------------------------------- initramfs

class Cpio:
    """A newc archive written directly, so device nodes need no root."""

    def __init__(self):
        self.data = bytearray()
        self.inode = 1000
        self.seen = set()

    def _entry(self, name, mode, body=b"", nlink=1, rdev=(0, 0)):
        self.inode += 1
        name_bytes = name.encode() + b"\0"
        fields = [self.inode, mode, 0, 0, nlink, 0, len(body), 0, 0, rdev[0], rdev[1], len(name_bytes), 0]
        self.data += b"070701" + b"".join(b"%08x" % f for f in fields)
        self.data += name_bytes
        self.data += b"\0" * (-len(self.data) % 4)
        self.data += body
        self.data += b"\0" * (-len(self.data) % 4)

    def directory(self, name):
        name = name.strip("/")
        if not name or name in self.seen:
            return
        parent = os.path.dirname(name)
        if parent:
            self.directory(parent)
        self.seen.add(name)
        self._entry(name, 0o040755, nlink=2)

    def file(self, name, body, mode=0o755):
        name = name.strip("/")
        self.directory(os.path.dirname(name))
        self._entry(name, 0o100000 | mode, body)

    def symlink(self, name, target):
        name = name.strip("/")
        self.directory(os.path.dirname(name))
        self._entry(name, 0o120777, target.encode())

    def char_device(self, name, major, minor):
        name = name.strip("/")
        self.directory(os.path.dirname(name))
        self._entry(name, 0o020600, rdev=(major, minor))

    def finish(self):
        self._entry("TRAILER!!!", 0)
        return bytes(self.data)


def shared_libraries(binary):
    """The files ldd names for a dynamic program, the loader included."""
    result = subprocess.run(["ldd", str(binary)], capture_output=True, text=True)
    if result.returncode != 0:
        return []  # static
    libraries = []
    for line in result.stdout.splitlines():
        parts = line.split()
        if "=>" in parts:
            target = parts[parts.index("=>") + 1]
            if target.startswith("/"):
                libraries.append(target)
        elif parts and parts[0].startswith("/"):
            libraries.append(parts[0])
    return libraries


def add_program(archive, source, destination, strip=False):
    body = Path(source).read_bytes()
    if strip:
        with tempfile.NamedTemporaryFile() as stripped:
            done = subprocess.run(["strip", "--strip-debug", "-o", stripped.name, str(source)],
                                  capture_output=True)
            if done.returncode == 0:
                body = Path(stripped.name).read_bytes()
    archive.file(destination, body)
    for library in shared_libraries(source):
        archive.file(library, Path(library).read_bytes())


def base_archive(cache, kernel):
    """Tools, libraries, modules and the scene's init; rebuilt when any changes."""
    key = hashlib.sha256()
    key.update((kernel / "complete").read_bytes())
    key.update((SCENE_DIR / "init").read_bytes())
    for tool in TOOLS:
        stat = os.stat(tool)
        key.update(f"{tool}:{stat.st_size}:{stat.st_mtime_ns}".encode())
    path = cache / f"initramfs-{key.hexdigest()[:16]}.cpio"
    if path.exists():
        return path
    log("building the scene's initramfs (once per change of its parts)")
    archive = Cpio()
    for directory in ["proc", "sys", "dev", "run", "tmp", "etc", "root", "lib/modules"]:
        archive.directory(directory)
    archive.symlink("var/run", "/run")
    archive.char_device("dev/console", 5, 1)
    archive.file("init", (SCENE_DIR / "init").read_bytes())
    for tool in TOOLS:
        add_program(archive, tool, tool)
    for module in (kernel / "modules").iterdir():
        archive.file(f"lib/modules/{module.name}", module.read_bytes(), mode=0o644)
    for stale in cache.glob("initramfs-*.cpio"):
        stale.unlink()
    temporary = path.with_suffix(".tmp")
    temporary.write_bytes(archive.finish())
    temporary.rename(path)
    return path


def share_tag(index):
    return f"host{index}"


def payload_archive(programs, script, kernel, shares=()):
    archive = Cpio()
    for program in programs:
        add_program(archive, program, f"payload/bin/{Path(program).name}", strip=True)
    if shares:
        # scene/host-root mounts them; see there.
        archive.file("payload/bin/host-root", (SCENE_DIR / "host-root").read_bytes())
        for module in (kernel / "hostfs").iterdir():
            archive.file(f"payload/hostfs/{module.name}", module.read_bytes(), mode=0o644)
        listing = "".join(f"{share_tag(index)} {path}\n" for index, path in enumerate(shares))
        archive.file("payload/hostfs/shares", listing.encode(), mode=0o644)
    archive.file("payload/run", ("#!/bin/sh\n" + script).encode())
    return archive.finish()


# ---------------------------------------------------------------- running

def run_scene(cache, programs, script, run_dir, timeout=150, memory_mb=512, cpus=1, shares=()):
    """Boots the scene with the programs under /payload/bin and runs the
    script; returns the parsed result lines. The console log stays in
    run_dir/console.log. shares: host directories the script may mount
    read-only with host-root (absolute paths, none inside another)."""
    cache = Path(cache)
    run_dir = Path(run_dir)
    run_dir.mkdir(parents=True, exist_ok=True)
    cache.mkdir(parents=True, exist_ok=True)
    kernel, version = locate_kernel(cache, host_share=bool(shares))
    initrd = run_dir / "initrd.cpio"
    with open(initrd, "wb") as out:
        out.write(base_archive(cache, kernel).read_bytes())
        out.write(payload_archive(programs, script, kernel, shares))
    console = run_dir / "console.log"
    results = run_dir / "results.txt"
    for stale in (console, results):
        stale.unlink(missing_ok=True)
    command = [
        qemu_binary(), "-accel", "tcg", "-cpu", "max", "-m", str(memory_mb), "-smp", str(cpus),
        "-nodefaults", "-nic", "none", "-display", "none", "-monitor", "none", "-no-reboot",
        "-serial", f"file:{console}", "-serial", f"file:{results}",
        "-kernel", str(kernel / "vmlinuz"), "-initrd", str(initrd),
        "-append", "console=ttyS0 panic=-1 loglevel=4 rdinit=/init",
    ]
    for index, path in enumerate(shares):
        command += ["-virtfs", f"local,path={path},mount_tag={share_tag(index)},security_model=none,readonly=on"]
    log(f"booting {version} under TCG")
    started = time.monotonic()
    try:
        subprocess.run(command, timeout=timeout, stdin=subprocess.DEVNULL, capture_output=True, check=False)
    except subprocess.TimeoutExpired:
        raise VmError(f"the VM did not power off within {timeout} s; see {console}")
    log(f"VM ran {time.monotonic() - started:.1f} s")
    lines = []
    for raw in results.read_text(errors="replace").splitlines():
        raw = raw.strip().strip("\r")
        if not raw:
            continue
        try:
            lines.append(json.loads(raw))
        except json.JSONDecodeError:
            raise VmError(f"a result line is not JSON: {raw!r}")
    return lines


def console_tail(run_dir, count=60):
    path = Path(run_dir) / "console.log"
    if not path.exists():
        return "(no console log)"
    return "\n".join(path.read_text(errors="replace").splitlines()[-count:])


class Checks:
    """What a test's check found wrong, one sentence each."""

    def __init__(self):
        self.failures = []

    def expect(self, condition, text):
        if not condition:
            self.failures.append(text)
        return condition


def argument_parser():
    """A VM test's command line: the cache and its run directory."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--cache", required=True, help="directory for the kernel and initramfs")
    parser.add_argument("--run-dir", required=True, help="where this run keeps its initrd and logs")
    return parser


def run_test(cache, programs, script, run_dir, check, passed, timeout=240, **scene):
    """A VM test's body: boots the scene (scene: run_scene's options),
    prints its result lines, then what check(lines) found wrong (with the
    console's tail) or PASS and passed. Returns the exit status; SKIP when
    qemu is missing."""
    if qemu_binary() is None:
        print("SKIP: qemu-system-x86_64 is not installed (./setup --tests installs qemu-system-x86); "
              "the simulated-radio test cannot run")
        return SKIP
    try:
        lines = run_scene(cache, programs, script, run_dir, timeout=timeout, **scene)
    except VmError as error:
        print(f"FAIL: {error}\n--- console ---\n{console_tail(run_dir)}")
        return 1
    for line in lines:
        print(f"result: {line}")
    failures = check(lines)
    if failures:
        print("FAIL:\n  " + "\n  ".join(failures))
        print(f"--- console ---\n{console_tail(run_dir)}")
        return 1
    print(f"PASS: {passed}")
    return 0


# ---------------------------------------------------------------- set-up

def install_kernel(cache, check_only):
    """For ./setup: unpack the kernel apt names now into cache, once. With
    check_only, only say (exit status) whether it is there already."""
    version = apt_kernel_version()
    if version is None:
        if not check_only:
            print(f"lumra_vm: apt does not know {KERNEL_META_PACKAGE}; run apt-get update", file=sys.stderr)
        return 2
    if is_usable(cache / f"kernel-{version}", host_share=True):
        return 0
    if check_only:
        return 1
    try:
        fetch_kernel(cache, version)
    except VmError as error:
        print(f"lumra_vm: {error}", file=sys.stderr)
        return 1
    for stale in cached_kernels(cache):
        if stale.name != f"kernel-{version}":
            shutil.rmtree(stale, ignore_errors=True)
    return 0


def main():
    parser = argparse.ArgumentParser(description="Set-up helpers of the simulated-radio VM.")
    commands = parser.add_subparsers(dest="command", required=True)
    install = commands.add_parser("install-kernel", help="unpack the VM's kernel into the shared cache")
    install.add_argument("--cache", type=Path, default=KERNEL_CACHE)
    install.add_argument("--check", action="store_true", help="only tell (exit status 0) whether it is there")
    args = parser.parse_args()
    return install_kernel(args.cache, args.check)


if __name__ == "__main__":
    sys.exit(main())
