"""Under abuse (connection churn, random input, a lying bridge, a garbage ini, a log folder gone or locked) it works."""
import random
import shutil
import threading
import time

from conftest import general
from ostrilo_e2e import OUTCOMES, Peer


def start(run, port=None):
    run.ini(general("ConnectionType=%d" % (port is not None), "PortNumber=%s" % port))
    run.control("Ostrilo", "project=Plant A\n")
    run.start()
    run.wait_log("We found out that WinCC is running")


def connected(run, state=True):
    run.wait(lambda: (run.probe("panels")[0] == "Connected") == state, "connection panel %s" % state)


def responsive_and_relaying(run, port=None):
    """The window answers; a fresh alarm reaches a fresh peer (or the libraries)."""
    assert run.probe("list-lines", timeout=10)
    if port:
        connected(run, False)
        peer = Peer(port)
        connected(run)
    alarm = "Fresh alarm %f" % time.time()
    run.queue([alarm])
    assert peer.read_line() == alarm + "||24" if port else run.wait_log(OUTCOMES["queued2"] + alarm)


def test_connection_churn_random_input_and_a_lying_bridge_leave_it_working(run, port):
    start(run, port)
    alarms = ["Churn alarm %d" % n for n in range(100)]
    run.queue(alarms)
    for _ in range(1000):
        Peer(port).close()
    run.wait(lambda: len(run.handed_over()) == 100, "the churn alarms relayed")
    bytes_of = random.Random(0x05171110).randbytes
    peer = Peer(port)
    connected(run)
    for _ in range(50):
        peer.sock.sendall(bytes_of(1 << 20))
    peer.close()
    # The flood is read a megabyte a tick: the next peer must not come before its close.
    connected(run, False)
    peer = Peer(port)
    connected(run)
    run.control("Ostrilo", "project=Plant A\nmessage_count=32767\nmessage_unterminated=1\n")
    run.queue(["Oversized count"])
    line = peer.read_line(30) or ""
    assert line.startswith("Oversized count") and len(line) <= 8192 + 4, "the program's buffer bounds the text"
    run.control("Ostrilo", "project=Plant A\nmessage_count=-5\n")
    run.queue(["Negative count"])
    run.wait(lambda: len(run.handed_over()) == 102, "the hand-over of the negative count")
    run.control("Ostrilo", "project=Plant A\nmessage_unterminated=1\n")
    run.queue(["No terminator"])
    assert peer.read_line() == "No terminator||24", "the true count is honoured, not the filler after it"
    assert sum(m.startswith(OUTCOMES["sent"] + "Negative") for m in run.log()) == 0, "a count of -5 is no message"
    peer.close()
    run.control("Ostrilo", "project=Plant A\n")
    responsive_and_relaying(run, port)
    log = run.log()
    assert all(sum(m.endswith(": " + alarm) for m in log) == 1 for alarm in alarms), "each churn alarm logged once"


def test_ini_of_random_bytes_still_starts_logs_and_closes(run):
    run.write("Ostrilo.ini", random.Random(0x05171110).randbytes(64 * 1024))
    run.start()
    run.wait_log("Ostrilo started as a normal application")
    assert run.probe("list-lines", timeout=10)
    run.close()


def test_log_folder_removed_or_log_file_locked_while_alarms_flow(run):
    start(run)
    run.queue(["Before removal %d" % n for n in range(20)])
    run.wait(lambda: len(run.handed_over()) == 20, "20 alarms relayed")
    shutil.rmtree(run.dir / "LogFiles")
    for journal in ("Ostrilo", "Halvex2", "Halvex3"):
        run.write(journal + ".journal", "")
    after = ["After removal %d" % n for n in range(20)]
    run.queue(after)
    run.wait_account(after)
    day_file = run.win_dir + "LogFiles\\" + run.log_path().name
    locker = threading.Thread(target=run.probe, args=("lock-file", day_file, "4"))
    locker.start()
    run.wait(lambda: run.log_path().with_name(run.log_path().name + ".held").exists(), "the lock")
    locked = ["While locked %d" % n for n in range(10)]
    run.queue(locked)
    run.wait(lambda: all(any(OUTCOMES["queued2"] + alarm in line for line in run.probe("list-lines"))
                         for alarm in locked), "the alarms in the list while the file is locked", 3)
    locker.join()
    responsive_and_relaying(run)
