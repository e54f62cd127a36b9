"""Runs the Windows build under Wine for the end-to-end tests and the benchmark: where the loaders are, a private
prefix per run with a persistent wineserver of its own, the processes of a prefix, and the log texts that say what
became of a relayed alarm. The shell scripts' counterpart is scripts/wine-common. Paths: OSTRILO_WIN_BUILD_DIR
(default build/win-x64) and OSTRILO_WINE_TEMPLATE (default build/wine-template, made on first use)."""
import contextlib
import os
import shutil
import signal
import struct
import subprocess
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
WIN_BUILD = Path(os.environ.get("OSTRILO_WIN_BUILD_DIR") or ROOT / "build" / "win-x64")
TEMPLATE = Path(os.environ.get("OSTRILO_WINE_TEMPLATE") or ROOT / "build" / "wine-template")
# The loaders themselves, not the `wine` wrapper, which may pick a 32-bit one this kernel cannot run.
WINE64, WINESERVER = (path if os.access(path, os.X_OK) else shutil.which(os.path.basename(path))
                      for path in ("/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"))
# Debian's wine32:i386 runs the x86 build; None when it is not installed.
WINE32 = "/usr/lib/wine/wine" if os.access("/usr/lib/wine/wine", os.X_OK) else None
SIMULATORS = ("Ostrilo.dll", "Halvex2.dll", "Halvex3.dll")
# How the log message of each outcome of a relayed alarm begins; the alarm's text follows.
OUTCOMES = {"sent": "Sent Message to Halvex: ", "send_failed": "Failed to send Message to Halvex: ",
            "queued2": "Queued Message to Halvex using Halvex2.DLL: ",
            "queued3": "Queued Message to Halvex using Halvex3.DLL: ",
            "not_queued": "Failed to queued Message to Halvex (not running?): "}
# With the hold on: a held alarm given up. A reason in brackets follows, then the alarm's text.
DISCARDED = "Discarded held Message to Halvex ("


def loader_of(program):
    """The 32-bit loader for an x86 program (it starts 64-bit ones too), else the 64-bit one."""
    with contextlib.suppress(OSError, struct.error), open(program, "rb") as image:
        head = image.read(4096)
        if WINE32 and struct.unpack_from("<H", head, struct.unpack_from("<I", head, 0x3C)[0] + 4)[0] == 0x14C:
            return WINE32
    return WINE64


def make_prefix(prefix):
    """A private prefix, copied from the template, with a persistent wineserver of its own (its CPU is charged to
    what runs in it alone); returns the environment for commands in it: quiet, no display, no Mono or Gecko."""
    subprocess.run([str(ROOT / "scripts" / "wine-prefix"), str(TEMPLATE), str(prefix)],
                   check=True, timeout=180, stdout=subprocess.DEVNULL)
    environment = dict(os.environ, WINEPREFIX=str(prefix), WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                       DISPLAY="", WAYLAND_DISPLAY="")
    subprocess.run([WINESERVER, "-p"], env=environment, check=True, timeout=30)
    return environment


def processes_of(prefix):
    """Ids of the processes whose environment names `prefix` as WINEPREFIX."""
    entry = b"WINEPREFIX=" + str(prefix).encode()

    def has_entry(pid):
        with contextlib.suppress(OSError), open("/proc/%s/environ" % pid, "rb") as environ:
            return entry in environ.read().split(b"\0")
    return [int(pid) for pid in filter(str.isdigit, os.listdir("/proc")) if has_entry(pid)]


def process_name(pid):
    """A process's command name as /proc keeps it (15 characters at most); empty once it is gone."""
    with contextlib.suppress(OSError), open("/proc/%d/comm" % pid) as comm:
        return comm.read().strip()
    return ""


def end_prefix(prefix, environment, child=None):
    """Ends the prefix's wineserver with every Windows process in it, then `child` and any survivor by id."""
    subprocess.run([WINESERVER, "-k"], env=environment, timeout=30, capture_output=True)
    if child:
        if child.poll() is None:
            child.kill()
        child.wait()
    for pid in processes_of(prefix):
        with contextlib.suppress(ProcessLookupError):
            os.kill(pid, signal.SIGKILL)
