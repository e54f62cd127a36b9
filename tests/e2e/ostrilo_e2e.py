"""Drives the real Ostrilo.exe under Wine from outside, as a plant PC would see it. A `Run` is one private
Wine prefix (own wineserver) whose C:\\Ostrilo\\ holds Ostrilo.exe and the simulated libraries; texts are
Latin-1 `str`, one character a byte. Where the build and the prefix template are: see tools/wine_driver.py."""
import contextlib
import datetime
import re
import select
import shutil
import socket
import subprocess
import time
from pathlib import Path

# The Wine side, shared with the benchmark; tests import these names from here.
from wine_driver import (OUTCOMES, ROOT, SIMULATORS as LIBRARIES, WIN_BUILD, WINE64, WINESERVER,  # noqa: F401
                         end_prefix, loader_of, make_prefix, processes_of)

PROBE = WIN_BUILD / "tests" / "ostrilo_probe.exe"
PROGRAM_KEY = r"HKLM\SOFTWARE\Fennmark\Ostrilo\Version 1"
# The program's values (Version 1, RunAsService) live in the 32-bit view in both builds.
PROGRAM_VIEW = "/reg:32"
WAIT = 20.0
SEPARATOR = "-" * 120
SHUTDOWN_OK = ["Shutting down Ostrilo", "Successfully called StopWinCCMsgService()",
               "Successfully called DisconnectWinCCDMProc()"]
_STAMP = re.compile(r"\d\d.\d\d.\d\d\.\d\d\d\t")
# Wine's event log only traces: +eventlog the text, fixme:advapi the type and the id before it.
EVENT_TRACE = "-all,+eventlog,fixme+advapi"
_EVENT_ID = re.compile(r"advapi:ReportEventW \([^,]*,0x([0-9a-f]+),0x[0-9a-f]+,0x([0-9a-f]+),")
_EVENT_TEXT = re.compile(r':eventlog:ReportEventW L"(.*)"$')


def project_version():
    """The project version of the top CMakeLists.txt as numbers, e.g. (1, 0, 2)."""
    text = (ROOT / "CMakeLists.txt").read_text()
    return tuple(map(int, re.search(r"^project\(Ostrilo VERSION (\d+)\.(\d+)\.(\d+)", text, re.M).groups()))


# The version as the program shows it: the patch in two digits.
VERSION = "%d.%d.%02d" % project_version()
WINE = loader_of(WIN_BUILD / "bin" / "Ostrilo.exe")


def missing_outputs():
    """What this machine lacks for an end-to-end run (empty when nothing)."""
    needed = [WIN_BUILD / "bin" / "Ostrilo.exe", PROBE] + [WIN_BUILD / "sim" / name for name in LIBRARIES]
    return [str(path) for path in needed if not path.exists()] + ([] if WINE64 and WINESERVER else ["wine64"])


def unescape(text):
    return re.sub(r'\\(x[0-9A-Fa-f]{2}|[rnt\\"])', lambda m: {"r": "\r", "n": "\n", "t": "\t"}.get(
        m.group(1), chr(int(m.group(1)[1:], 16)) if m.group(1)[0] == "x" else m.group(1)), text)


def lines_of(path):
    """Complete lines of a file (CR before LF dropped); none when it does not exist."""
    text = path.read_bytes().decode("latin-1") if path.exists() else ""
    return [line.removesuffix("\r") for line in text.split("\n")[:-1]]


class Peer:
    """A TCP client as Halvex would be, from `source` (any 127.x); not reading is pausing (see `receive_buffer`)."""

    def __init__(self, port, source="127.0.0.1", timeout=WAIT, receive_buffer=None, segment=None):
        deadline, self.pending, self.closed = time.monotonic() + timeout, "", False
        while True:
            self.sock = socket.socket()
            if receive_buffer:
                self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
            if segment:  # small segments keep the sender's kernel buffer small too
                self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_MAXSEG, segment)
            try:
                self.sock.bind((source, 0))
                self.sock.connect(("127.0.0.1", port))
                return
            except OSError:
                self.sock.close()
                assert time.monotonic() < deadline, "nobody accepts at port %d" % port
                time.sleep(0.1)

    def _receive(self, deadline):
        """Whether bytes came before the deadline; `closed` once the program closed."""
        if not select.select([self.sock], [], [], max(0.0, deadline - time.monotonic()))[0]:
            return False
        data = b""
        with contextlib.suppress(ConnectionError):
            data = self.sock.recv(1 << 16)
        self.closed, self.pending = not data, self.pending + data.decode("latin-1")
        return bool(data)

    def read_line(self, timeout=10.0):
        """The next line without its LF, or None when none came in time or the program closed."""
        deadline = time.monotonic() + timeout
        while "\n" not in self.pending:
            if self.closed or not self._receive(deadline):
                return None
        line, self.pending = self.pending.split("\n", 1)
        return line

    def wait_closed(self, timeout=10.0):
        """Whether the program closed the connection in time; bytes before the close are kept."""
        deadline = time.monotonic() + timeout
        while not self.closed and self._receive(deadline):
            pass
        return self.closed

    def close(self):
        self.sock.close()


class Run:
    """One run of Ostrilo.exe in a private Wine prefix under `base` (see the module's docstring)."""

    def __init__(self, base):
        self.base = Path(base)
        self.prefix = self.base / "prefix"
        self.env = make_prefix(self.prefix)
        self.dir, self.win_dir, self.program = self.prefix / "drive_c" / "Ostrilo", "C:\\Ostrilo\\", None
        self.dir.mkdir()
        for path in [WIN_BUILD / "bin" / "Ostrilo.exe"] + [WIN_BUILD / "sim" / name for name in LIBRARIES]:
            shutil.copy(path, self.dir)
        # The first program starts Wine's services, which keep its stderr: their event-log traces land there.
        with open(self.base / "background.err", "wb") as err:
            subprocess.run([WINE, str(PROBE), "wait-window", "0"], env=dict(self.env, WINEDEBUG="-all,+eventlog"),
                           stdout=subprocess.DEVNULL, stderr=err, timeout=60, cwd=self.base)

    # --- the program folder and the registry ---
    def write(self, relative, data):
        path = self.dir / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data.encode("latin-1") if isinstance(data, str) else data)
        return path

    def ini(self, text):
        self.write("Ostrilo.ini", text)

    def control(self, simulator, text):
        """Ostrilo.control, Halvex2.control or Halvex3.control, e.g. control("Halvex2", "running=0\\n")."""
        self.write(simulator + ".control", text)

    def wine(self, *args, timeout=WAIT):
        """A Windows command in this prefix; a CompletedProcess with Latin-1 text."""
        done = subprocess.run([WINE, *args], env=self.env, capture_output=True, timeout=timeout, cwd=self.base)
        done.stdout, done.stderr = done.stdout.decode("latin-1"), done.stderr.decode("latin-1")
        return done

    def reg(self, name, value, key=PROGRAM_KEY):
        """A registry value (program's view): an int is stored as REG_DWORD, a str as REG_SZ."""
        kind = "REG_DWORD" if isinstance(value, int) else "REG_SZ"
        done = self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f", PROGRAM_VIEW)
        assert done.returncode == 0, done.stderr

    def reg_query(self, key, name=None):
        """`reg query` output (program's view), or None when the key (or value) does not exist."""
        done = self.wine("reg", "query", key, *(["/v", name] if name else []), PROGRAM_VIEW)
        return done.stdout if done.returncode == 0 else None

    # --- the process ---
    def start(self, *args, winedebug="-all", program=None):
        """Starts the program in the background, from a folder that is not its own."""
        assert self.program is None, "started twice"
        self.program = self.spawn(*args, winedebug=winedebug, program=program, name="program")

    def spawn(self, *args, winedebug="-all", program=None, name="other"):
        """A further instance of the program (or `program`), output in <base>/<name>.err."""
        err = open(self.base / (name + ".err"), "wb")
        child = subprocess.Popen([WINE, program or self.win_dir + "Ostrilo.exe", *args], cwd=self.base,
                                 env=dict(self.env, WINEDEBUG=winedebug), stdout=subprocess.DEVNULL, stderr=err)
        err.close()
        return child

    def wait_exit(self, timeout=WAIT, child=None):
        """The exit code, or None when it still runs after `timeout`."""
        with contextlib.suppress(subprocess.TimeoutExpired):
            return (child or self.program).wait(timeout)

    def stderr(self, name="program"):
        """What a process wrote to stderr; "background" is Wine's services, event-log traces included."""
        return (self.base / (name + ".err")).read_bytes().decode("latin-1")

    def events(self, name="program"):
        """(type, id, text) of each event-log entry a process traced with EVENT_TRACE."""
        found, kind = [], None
        for line in self.stderr(name).splitlines():
            if match := _EVENT_ID.search(line):
                kind = (int(match.group(1), 16), int(match.group(2), 16))
            elif match := _EVENT_TEXT.search(line):
                found.append(kind + (unescape(match.group(1)),))
        return found

    def probe(self, *args, timeout=WAIT):
        """The probe's output lines, e.g. probe("panels"); fails when the probe fails."""
        done = self.wine(str(PROBE), *args, timeout=timeout)
        if done.returncode != 0 and not done.stderr:
            # The probe always says why it fails; a silent failure is Wine not starting it
            # on a loaded machine, so it gets one more try.
            done = self.wine(str(PROBE), *args, timeout=timeout)
        assert done.returncode == 0, "probe %s: %s" % (" ".join(args), done.stderr)
        return done.stdout.splitlines()

    def close(self):
        """Closes the window as a person would; the program must end with exit code 0."""
        self.probe("close")
        assert self.wait_exit() == 0, self.describe()

    # --- what it wrote ---
    def log_path(self):
        return self.dir / "LogFiles" / (datetime.date.today().isoformat() + ".Log")

    def log(self):
        """Today's log messages, time stamps taken off."""
        return [line[13:] if _STAMP.match(line) else line for line in lines_of(self.log_path())]

    def journal(self, simulator):
        return lines_of(self.dir / (simulator + ".journal"))

    def describe(self):
        state = "not started" if self.program is None else "exit code %s" % self.program.poll()
        return "program: %s\nlog:\n  %s" % (state, "\n  ".join(self.log()))

    def wait(self, condition, what, timeout=WAIT):
        """Polls `condition` until it returns a true value, which is returned; fails naming `what`."""
        deadline = time.monotonic() + timeout
        while not (value := condition()):
            assert time.monotonic() <= deadline, "no %s within %.0f s\n%s" % (what, timeout, self.describe())
            time.sleep(0.05)
        return value

    def wait_log(self, text, timeout=WAIT):
        """Waits for a log message containing `text`; returns that message."""
        return self.wait(lambda: next((m for m in self.log() if text in m), None), "log line with %r" % text, timeout)

    def wait_journal(self, simulator, text, timeout=WAIT):
        return self.wait(lambda: next((m for m in self.journal(simulator) if text in m), None),
                         "%s.journal line with %r" % (simulator, text), timeout)

    # --- alarms ---
    def queue(self, alarms):
        """Appends alarms to the bridge simulator's queue (one escaped line each) in one write."""
        lines = (a.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n") + "\n" for a in alarms)
        with open(self.dir / "Ostrilo.messages", "ab") as queue:
            queue.write("".join(lines).encode("latin-1"))

    def handed_over(self):
        """Alarms the bridge simulator handed to the program, in order."""
        return [unescape(line[line.index('"') + 1:-1]) for line in self.journal("Ostrilo")
                if line.startswith("GetWinCCMsgServiceMessage ") and line.endswith('"')]

    def account(self, alarms):
        """Counts per OUTCOMES when `alarms` were handed over once each, in order, each with one outcome in order
        (queued2 and queued3 adjacent) that its library journals as "TA:<alarm>||24"; else None. No notifications."""
        if self.handed_over() != list(alarms):
            return None
        outcomes = [(kind, message[len(start):]) for message in self.log()
                    for kind, start in OUTCOMES.items() if message.startswith(start)]
        counts, at = dict.fromkeys(OUTCOMES, 0), 0
        for alarm in alarms:
            text = alarm.replace("\r", "").replace("\n", "")
            group = 2 if outcomes[at:at + 2] == [("queued2", text), ("queued3", text)] else 1
            if at >= len(outcomes) or outcomes[at][1] != text:
                return None
            for kind, _ in outcomes[at:at + group]:
                counts[kind] += 1
            at += group
        if at != len(outcomes):
            return None
        for library, kind in (("Halvex2", "queued2"), ("Halvex3", "queued3")):
            commands = [unescape(line[17:line.rindex('"')]) for line in self.journal(library)
                        if line.startswith('SetCommandEntry "')]
            if commands[:counts[kind]] != ["TA:%s||24" % text for k, text in outcomes if k == kind]:
                return None
        return counts

    def wait_account(self, alarms, timeout=60.0, until=lambda counts: True):
        """Waits until `account(alarms)` holds and `until(counts)`; returns the counts."""
        return self.wait(lambda: (lambda c: c if c and until(c) else None)(self.account(alarms)),
                         "account of %d alarms" % len(alarms), timeout)

    # --- the end ---
    def finish(self):
        """Ends the prefix's server, every Windows process in it, then any survivor by id."""
        end_prefix(self.prefix, self.env, self.program)
