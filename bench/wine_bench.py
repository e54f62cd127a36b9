"""Shared pieces of scripts/bench and scripts/soak: a program running under Wine in a
private prefix with its own persistent wineserver (tools/wine_driver.py, which the
end-to-end tests share), CPU and memory read from /proc, an
alarm feeder appending to the bridge simulator's queue, a TCP peer standing in for
Halvex, and the accounting of every alarm from the journals and the day logs.

Each installation has its own prefix, so its wineserver serves that one program only and
its CPU time can be charged to the program. Only processes started here are ended: the
prefix's wineserver with -k, and survivors by their process id.
"""

import glob
import os
import re
import shutil
import socket
import subprocess
import tempfile
import threading
import time

import wine_driver as wd

BUILD = wd.WIN_BUILD
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
PAGE_SIZE = os.sysconf("SC_PAGE_SIZE")
COMMAND_TIMEOUT = 60
# Log lines that record what became of one relayed alarm.
OUTCOME_PREFIXES = tuple(wd.OUTCOMES.values())
DISCARDED = wd.DISCARDED


def program(name):
    if name == "Ostrilo.exe" and os.environ.get("OSTRILO_BENCH_PROGRAM"):
        return os.environ["OSTRILO_BENCH_PROGRAM"]
    return os.path.join(BUILD, "bin" if name == "Ostrilo.exe" else "bench", name)


def check_build():
    needed = [program("Ostrilo.exe"), program("floor_idle.exe"), program("floor_relay.exe"),
              program("process_meter.exe")] + [os.path.join(BUILD, "sim", dll) for dll in wd.SIMULATORS]
    missing = [path for path in needed if not os.path.exists(path)]
    if missing or not wd.WINE64 or not wd.WINESERVER:
        raise SystemExit("missing: " + ", ".join(missing or ["wine64/wineserver"]) +
                         "\nbuild the Windows x64 build first (scripts/build) or set OSTRILO_WIN_BUILD_DIR")


def cpu_seconds(pid):
    """User plus system time of a process (all its threads) from /proc, or None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS
    except (OSError, IndexError, ValueError):
        return None


def voluntary_switches(pid):
    """Times the process's threads gave up the CPU to wait, mostly on the wineserver: a
    count of server round trips that machine load does not blur."""
    total = 0
    for status_path in glob.glob(f"/proc/{pid}/task/*/status"):
        try:
            with open(status_path) as status:
                total += next((int(line.split()[1]) for line in status if line.startswith("voluntary_ctxt_switches:")), 0)
        except OSError:
            continue
    return total


def status_kib(pid, key):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def open_fd_count(pid):
    try:
        return len(os.listdir(f"/proc/{pid}/fd"))
    except OSError:
        return None


def process_named(prefix, fits):
    """The first process of the prefix whose command name fits, or None."""
    return next((pid for pid in wd.processes_of(prefix) if fits(wd.process_name(pid))), None)


class Installation:
    """One program in C:\\Bench\\ of a private prefix, beside the three simulators (or some)."""

    def __init__(self, label, executable, libraries=wd.SIMULATORS, source=None):
        self.label = label
        self.executable = executable
        self.root = tempfile.mkdtemp(prefix=f"ostrilo-bench-{label}.", dir=os.environ.get("TMPDIR", "/tmp"))
        self.prefix = os.path.join(self.root, "prefix")
        self.folder = os.path.join(self.prefix, "drive_c", "Bench")
        self.process = None
        self._pid = None
        self.server_pid = None
        # A persistent server: it outlives each command, and its CPU is this program's alone.
        self.environment = wd.make_prefix(self.prefix)
        os.makedirs(self.folder)
        shutil.copy(source or program(executable), os.path.join(self.folder, executable))
        for library in libraries:
            shutil.copy(os.path.join(BUILD, "sim", library), self.folder)
        shutil.copy(program("process_meter.exe"), self.root)
        self.loader = wd.loader_of(os.path.join(self.folder, executable))
        # The first program of a prefix starts Wine's own background processes; let that
        # happen now, not inside a measurement.
        self.meter("none.exe")
        self.server_pid = process_named(self.prefix, lambda name: name.startswith("wineserver"))

    def write(self, name, text):
        with open(os.path.join(self.folder, name), "w", newline="") as file:
            file.write(text)

    def start(self, *arguments):
        self.process = subprocess.Popen([self.loader, "C:\\Bench\\" + self.executable, *arguments], env=self.environment,
                                        cwd=self.root, stdout=subprocess.DEVNULL,
                                        stderr=open(os.path.join(self.root, "program.err"), "wb"))

    @property
    def pid(self):
        """The Linux process of the running Windows program. wine64 may hand the program to a
        child of its own and end, so the process is found by name among the prefix's."""
        if self._pid is None:
            self._pid = process_named(self.prefix, lambda name: name == self.executable[:15])  # /proc's comm keeps 15
        return self._pid if self._pid is not None else self.process.pid

    def cpu(self):
        """(program, program + its wineserver) CPU seconds so far."""
        own = cpu_seconds(self.pid) or 0.0
        server = cpu_seconds(self.server_pid) if self.server_pid else None
        return own, own + (server or 0.0)

    def server_waits(self):
        return voluntary_switches(self.pid)

    def meter(self, executable=None):
        """What Windows reports of the program (process_meter), as a dict, or {}."""
        try:
            result = subprocess.run([self.loader, os.path.join(self.root, "process_meter.exe"), executable or self.executable],
                                    env=self.environment, capture_output=True, text=True, timeout=COMMAND_TIMEOUT)
        except subprocess.TimeoutExpired:
            return {}
        line = result.stdout.strip().splitlines()[:1]
        return {key: int(value) for key, value in re.findall(r"(\w+)=(-?\d+)", line[0])} if line else {}

    def journal_lines(self, simulator):
        return read_lines(os.path.join(self.folder, simulator + ".journal"))

    def log_messages(self):
        """Messages of every day log, time stamps removed, in file order."""
        messages = []
        for path in sorted(glob.glob(os.path.join(self.folder, "LogFiles", "*.Log"))):
            for line in read_lines(path, errors="replace"):
                messages.append(line.rstrip("\r").split("\t", 1)[-1])
        return messages

    def stop(self):
        wd.end_prefix(self.prefix, self.environment, self.process)

    def remove(self):
        self.stop()
        shutil.rmtree(self.root, ignore_errors=True)


def read_lines(path, errors="strict"):
    try:
        with open(path, encoding="latin-1", errors=errors) as file:
            return file.read().split("\n")[:-1]
    except OSError:
        return []


def wait_until(condition, timeout, what):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise SystemExit(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.1)


def message_text(run, sequence):
    return f"BENCH {run} {sequence:07d} Boiler 3 pressure high"


SEQUENCE = re.compile(r"BENCH (\S+) (\d{7}) ")


class Feeder(threading.Thread):
    """Appends `count` alarms at `rate` per second to the queue of every installation at
    once; `sent[i]` is the monotonic time taken just before alarm i was appended."""

    def __init__(self, installations, run, count, rate):
        super().__init__(daemon=True)
        self.files = [open(os.path.join(i.folder, "Ostrilo.messages"), "ab") for i in installations]
        self.run_name, self.count, self.rate = run, count, rate
        self.sent = []

    def run(self):
        start = time.monotonic()
        for sequence in range(self.count):
            due = start + sequence / self.rate
            delay = due - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            line = (message_text(self.run_name, sequence) + "\n").encode()
            self.sent.append(time.monotonic())
            for file in self.files:
                file.write(line)
                file.flush()
        for file in self.files:
            file.close()


class LinePeer(threading.Thread):
    """A TCP client as Halvex would be: connects to the port and records the arrival time of
    each line. reconnect() replaces the connection, as a restarting Halvex would."""

    def __init__(self, port):
        super().__init__(daemon=True)
        self.port = port
        self.arrivals = {}  # sequence -> monotonic time of the first arrival
        self.order = []  # sequences in the order they arrived, repeats included
        self.lines = 0
        self.connections = 0
        self._socket = None
        self._lock = threading.Lock()
        self._stopping = False

    def connect(self, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            try:
                connection = socket.create_connection(("127.0.0.1", self.port), timeout=2)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise SystemExit(f"no listener on port {self.port} within {timeout} s")
                time.sleep(0.2)
        connection.settimeout(0.2)
        with self._lock:
            old, self._socket = self._socket, connection
            self.connections += 1
        return old

    def reconnect(self, gap_seconds):
        """Closes the connection, waits `gap_seconds`, connects again. A gap of 0 opens the new
        connection first, so the program's newest-wins accept takes over."""
        if gap_seconds > 0:
            self.disconnect()
            time.sleep(gap_seconds)
            self.connect()
        else:
            old = self.connect()
            if old:
                old.close()

    def leave(self, timeout=10):
        """Goes away without losing a line: ends its sending side, reads on until the program
        closes the connection, then closes it. False if the program kept it open."""
        with self._lock:
            connection = self._socket
        if connection is None:
            return True
        try:
            connection.shutdown(socket.SHUT_WR)
        except OSError:
            pass
        deadline = time.monotonic() + timeout
        while self._socket is connection and time.monotonic() < deadline:
            time.sleep(0.01)
        closed = self._socket is not connection
        if closed:
            connection.close()
        else:
            self.disconnect()
        return closed

    def disconnect(self):
        with self._lock:
            old, self._socket = self._socket, None
        if old:
            old.close()

    def run(self):
        pending = {}
        while not self._stopping:
            with self._lock:
                connection = self._socket
            if connection is None:
                time.sleep(0.01)
                continue
            try:
                data = connection.recv(65536)
            except socket.timeout:
                continue
            except OSError:
                data = b""
            now = time.monotonic()
            if not data:
                with self._lock:
                    if self._socket is connection:
                        self._socket = None
                pending.pop(id(connection), None)
                continue
            buffered = pending.get(id(connection), b"") + data
            *complete, rest = buffered.split(b"\n")
            pending[id(connection)] = rest
            for line in complete:
                self.lines += 1
                match = SEQUENCE.search(line.decode("latin-1"))
                if match:
                    self.arrivals.setdefault(int(match.group(2)), now)
                    self.order.append(int(match.group(2)))

    def stop(self):
        self._stopping = True
        self.disconnect()


def percentile(values, fraction):
    ordered = sorted(values)
    if not ordered:
        return float("nan")
    return ordered[min(len(ordered) - 1, int(round(fraction * (len(ordered) - 1))))]


class HandedOverCounter:
    """Counts, incrementally, the messages the bridge simulator has handed over so far."""

    def __init__(self, installation):
        self.path = os.path.join(installation.folder, "Ostrilo.journal")
        self.offset = 0
        self.partial = b""
        self.count = 0

    def update(self):
        try:
            with open(self.path, "rb") as journal:
                journal.seek(self.offset)
                data = journal.read()
        except OSError:
            return self.count
        self.offset += len(data)
        *complete, self.partial = (self.partial + data).split(b"\n")
        self.count += sum(1 for line in complete
                          if line.startswith(b"GetWinCCMsgServiceMessage ") and line.endswith(b'"'))
        return self.count


def handed_over_count(installation):
    """Messages the bridge simulator handed over: its journal lines with a quoted text."""
    return sum(1 for line in installation.journal_lines("Ostrilo")
               if line.startswith("GetWinCCMsgServiceMessage ") and line.endswith('"'))


def outcome_count(installation):
    return sum(1 for message in installation.log_messages() if message.startswith(OUTCOME_PREFIXES))


def ini_text(connection_type, port=None, hold_minutes=None):
    text = f"[General]\r\nConnectionType={connection_type}\r\n"
    if port is not None:
        text += f"PortNumber={port}\r\n"
    if hold_minutes is not None:
        text += f"HoldUndeliveredMinutes={hold_minutes}\r\n"
    return text


def free_ports(count):
    """`count` different free ports: the probes stay bound until all are chosen, or one
    port could be handed out twice and a second program would fail to listen."""
    probes = [socket.socket() for _ in range(count)]
    try:
        for probe in probes:
            probe.bind(("127.0.0.1", 0))
        return [probe.getsockname()[1] for probe in probes]
    finally:
        for probe in probes:
            probe.close()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def machine_description():
    with open("/proc/loadavg") as loadavg:
        load = " ".join(loadavg.read().split()[:3])
    model = "unknown CPU"
    with open("/proc/cpuinfo") as cpuinfo:
        for line in cpuinfo:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run([wd.WINE64, "--version"], capture_output=True, text=True).stdout.strip()
    return f"{os.cpu_count()} cores ({model}), load average {load}, {wine}"


SENT, SEND_FAILED, QUEUED2, QUEUED3, NOT_QUEUED = OUTCOME_PREFIXES
ALLOWED_OUTCOMES = {
    "socket": ([SENT], [SEND_FAILED]),
    # Halvex2 is always offered the alarm before Halvex3.
    "library": ([QUEUED2], [QUEUED3], [QUEUED2, QUEUED3], [NOT_QUEUED]),
}
# With the hold on nothing fails: what Halvex cannot take waits and goes out, or is discarded.
HELD_OUTCOMES = {
    "socket": ([SENT], [DISCARDED]),
    "library": ([QUEUED2], [QUEUED3], [QUEUED2, QUEUED3], [DISCARDED]),
}


def outcome_of(message):
    """(prefix, message text) of a log message that is an alarm's final outcome, else None."""
    if message.startswith(DISCARDED):
        reason_and_text = message[len(DISCARDED):].split("): ", 1)
        return (DISCARDED, reason_and_text[1]) if len(reason_and_text) == 2 else None
    prefix = next((p for p in OUTCOME_PREFIXES if message.startswith(p)), None)
    return (prefix, message[len(prefix):]) if prefix else None


def outcome_name(prefix):
    return prefix.rstrip(" :(")


def outcome_sequences(installation, run, prefixes):
    """Alarms of `run` with an outcome of one of `prefixes`, in log order."""
    return sequences_of((text for kind, text in filter(None, map(outcome_of, installation.log_messages()))
                         if kind in prefixes), run)


def sequences_of(texts, run):
    found = []
    for text in texts:
        match = SEQUENCE.search(text)
        if match and match.group(1) == run:
            found.append(int(match.group(2)))
    return found


def describe_difference(what, found, expected):
    for index, (a, b) in enumerate(zip(found, expected)):
        if a != b:
            return f"{what}: position {index} holds alarm {a}, expected {b}"
    return f"{what}: {len(found)} alarms, expected {len(expected)}"


def account(installation, run, count, mode, hold=False):
    """Where each of the alarms 0..count-1 of `run` went. Returns (problems, tally): every
    alarm handed over by the bridge simulator exactly once and in order; each with exactly
    one outcome in the log (socket: sent or failed; library: queued with Halvex2 and/or
    Halvex3, or failed; with the hold on, discarded instead of failed); every queue line
    matched in order by that library's SetCommandEntry."""
    problems = []
    expected = list(range(count))
    handed = sequences_of((line for line in installation.journal_lines("Ostrilo")
                           if line.startswith("GetWinCCMsgServiceMessage ") and line.endswith('"')), run)
    if handed != expected:
        problems.append(describe_difference("handed over by the bridge", handed, expected))

    outcomes = {}
    for prefix, text in filter(None, map(outcome_of, installation.log_messages())):
        for sequence in sequences_of([text], run):
            outcomes.setdefault(sequence, []).append(prefix)
    allowed = (HELD_OUTCOMES if hold else ALLOWED_OUTCOMES)[mode]
    wrong = [sequence for sequence in expected if outcomes.get(sequence) not in allowed]
    strays = sorted(set(outcomes) - set(expected))
    if wrong:
        examples = ", ".join(f"{s}: {outcomes.get(s, 'no outcome')}" for s in wrong[:5])
        problems.append(f"{len(wrong)} alarms without exactly one outcome, e.g. {examples}")
    if strays:
        problems.append(f"outcomes for alarms never queued: {strays[:5]}")

    if mode == "library":
        for library, prefix in (("Halvex2", QUEUED2), ("Halvex3", QUEUED3)):
            commands = sequences_of((line for line in installation.journal_lines(library)
                                     if line.startswith("SetCommandEntry ")), run)
            queued = [s for s in expected if prefix in outcomes.get(s, [])]
            if commands != queued:
                problems.append(describe_difference(f"{library} SetCommandEntry against its queue lines", commands, queued))

    tally = {outcome_name(prefix): 0 for prefix in OUTCOME_PREFIXES + (DISCARDED,)}
    for sequence in expected:
        for prefix in outcomes.get(sequence, []):
            tally[outcome_name(prefix)] += 1
    return problems, tally


def fit_slope(points):
    """Least-squares slope of (x, y) points; 0 with fewer than two distinct x."""
    if len(points) < 2:
        return 0.0
    mean_x = sum(x for x, _ in points) / len(points)
    mean_y = sum(y for _, y in points) / len(points)
    spread = sum((x - mean_x) ** 2 for x, _ in points)
    if spread == 0:
        return 0.0
    return sum((x - mean_x) * (y - mean_y) for x, y in points) / spread
