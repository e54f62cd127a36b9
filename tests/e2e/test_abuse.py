"""With its log folder gone or its day file locked while alarms flow, it works on; peers' abuse: test_halvex_link."""
import shutil
import threading

from conftest import general
from ostrilo_e2e import OUTCOMES


def test_log_folder_removed_or_log_file_locked_while_alarms_flow(run):
    run.ini(general("ConnectionType=0"))
    run.control("Ostrilo", "project=Plant A\n")
    run.start()
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
    assert run.probe("list-lines", timeout=10), "the window answers"
    run.queue(["After the lock"])
    run.wait_log(OUTCOMES["queued2"] + "After the lock")
