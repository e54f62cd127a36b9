"""Under abuse (connection churn, a log folder gone or locked) it works; a flooding peer: test_halvex_link."""
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


def test_connection_churn_leaves_it_working_with_each_alarm_relayed_once(run, port):
    start(run, port)
    alarms = ["Churn alarm %d" % n for n in range(100)]
    run.queue(alarms)
    for _ in range(1000):
        Peer(port).close()
    run.wait(lambda: len(run.handed_over()) == 100, "the churn alarms relayed")
    responsive_and_relaying(run, port)
    log = run.log()
    assert all(sum(m.endswith(": " + alarm) for m in log) == 1 for alarm in alarms), "each churn alarm logged once"


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
