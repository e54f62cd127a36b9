"""Plant PC life: the manager starting it past a slow bridge and stopping it, the session end, dumps, open folders."""
import contextlib
import os
import re

from conftest import general
from ostrilo_e2e import EVENT_TRACE, processes_of
from test_service import (FIRST_TICK, PARAMETERS, SERVICE_START, SHUTDOWN, entry, service_run,  # noqa: F401
                          state, switch_run)


def command_line(pid):
    with contextlib.suppress(OSError), open("/proc/%d/cmdline" % pid, "rb") as cmdline:
        return cmdline.read().decode("latin-1")
    return ""


def checkpoints(run):
    """The service's progress counter as `sc query` shows it (Windows gives up when it stalls); an empty list
    when it showed none, as Wine's `sc` at times does on a loaded machine."""
    shown = run.wine("sc", "query", "Ostrilo").stdout
    return [int(found, 16) for found in re.findall(r"CHECKPOINT +: +(0x[0-9a-fA-F]+)", shown)]


def test_start_keeps_the_newest_ten_crash_dumps_and_the_end_of_the_session_runs_the_whole_shutdown(service_run):
    dumps = ["Ostrilo-2026-11-%02d-120000.dmp" % day for day in range(1, 12)]
    for name in dumps + ["Other.dmp"]:
        service_run.write("LogFiles/" + name, "dump")
    service_run.start()
    service_run.wait_log(FIRST_TICK[-1])
    kept = dumps[1:] + ["Other.dmp", service_run.log_path().name]
    assert sorted(os.listdir(service_run.dir / "LogFiles")) == sorted(kept)
    assert service_run.probe("end-session") == ["may end"]
    assert service_run.wait_exit() == 0
    assert service_run.log()[-len(SHUTDOWN):] == SHUTDOWN


def test_service_start_survives_a_bridge_connect_blocking_for_40_seconds_and_its_stop_runs_the_whole_shutdown(
        service_run):
    run = service_run
    switch_run(run, "/I", "install", "Ostrilo service installation succeeded")
    installed = len(run.log())
    run.control("Ostrilo", "connect_delay_seconds=40\n")
    assert run.wine("net", "start", "Ostrilo").returncode == 0
    run.wait(lambda: state(run) == "START_PENDING", "START_PENDING state in sc query", timeout=10)
    first = run.wait(lambda: checkpoints(run), "CHECKPOINT line from sc query", timeout=10)[0]
    run.wait(lambda: any(later > first for later in checkpoints(run)), "further start checkpoint", timeout=10)
    run.wait(lambda: state(run) == "RUNNING", "the service running", timeout=70)
    run.wait_log(FIRST_TICK[-1])
    run.wait(lambda: entry("Ostrilo started") in run.stderr("background"), "the started entry")
    assert run.wine("net", "stop", "Ostrilo").returncode == 0
    assert state(run) == "STOPPED"
    run.wait(lambda: not [pid for pid in processes_of(run.prefix) if "Ostrilo.exe" in command_line(pid)],
             "the service process ending")
    assert run.log()[installed:] == SERVICE_START + FIRST_TICK + SHUTDOWN
    traced = run.stderr("background")
    assert traced.count(entry("Ostrilo has been shutdown")) == 1
    assert traced.index(entry("Ostrilo started")) < traced.index(entry("Ostrilo has been shutdown"))


def test_service_mode_by_hand_stays_hidden_warns_of_an_open_folder_and_of_a_refused_start(service_run):
    run = service_run
    run.reg("RunAsService", "1", key=PARAMETERS)
    os.chmod(run.dir, 0o777)  # under Wine, write rights for others read as Everyone's
    os.chmod(run.dir / "Halvex2.dll", 0o777)
    run.start(winedebug=EVENT_TRACE)
    warning = run.wait_log("Warning: users who are not administrators may create or change files in the program "
                           "folder C:\\Ostrilo\\, ")
    run.wait_log(FIRST_TICK[-1])
    before = run.log()
    assert before[before.index(warning) - 1] == "Ostrilo started as a service"
    assert before[before.index(warning) + 1] == (
        "Warning: users who are not administrators may change C:\\Ostrilo\\Halvex2.dll, which this service runs or "
        "writes as LocalSystem. Restrict it with icacls as the README shows")
    assert sum(line.startswith("Warning:") for line in before) == 2, "the other files and folders are closed"
    run.wait(lambda: (2, 202, warning) in run.events(), "the warning in the event log")

    second = run.spawn(winedebug=EVENT_TRACE, name="second")
    assert run.wait_exit(child=second) == 0
    assert run.events("second") == [(1, 201, "Ostrilo did not start as a service: another instance of Ostrilo is "
                                             "already running. End that instance, then start the service again")]
    assert run.log() == before, "the refused start writes no log line"
    assert run.probe("visibility") == ["hidden"]
    # Wine keeps a dispatcher started by hand waiting 10 s for the manager; the window answers first.
    run.probe("close")
    assert run.wait_exit(5) == 0
    assert run.log()[-len(SHUTDOWN):] == SHUTDOWN
    assert [run.stderr().count(entry(text)) for text in ("Ostrilo started", "Ostrilo has been shutdown")] == [1, 1]


def test_service_mode_follows_no_link_in_place_of_its_log_and_spool_folders(service_run):
    run = service_run
    run.ini(general("ConnectionType=0", "HoldUndeliveredMinutes=60"))
    elsewhere = run.base / "elsewhere"
    dumps = ["Ostrilo-2026-11-%02d-120000.dmp" % day for day in range(1, 13)]
    for folder, names in (("LogFiles", dumps), ("Spool", [])):
        (elsewhere / folder).mkdir(parents=True)
        for name in names:
            (elsewhere / folder / name).write_text("dump")
        os.symlink(elsewhere / folder, run.dir / folder)
    run.reg("RunAsService", "1", key=PARAMETERS)
    run.start(winedebug=EVENT_TRACE)
    warnings = [(2, 202, "Warning: C:\\Ostrilo\\%s is a junction, mount point or symbolic link, or holds one, so "
                         "this service writes nothing there. Make it a plain folder that only administrators may "
                         "change, then restart the service" % folder) for folder in ("LogFiles", "Spool")]
    run.wait(lambda: all(warning in run.events() for warning in warnings), "both warnings in the event log")
    run.probe("close")
    assert run.wait_exit() == 0
    assert sorted(os.listdir(elsewhere / "LogFiles")) == dumps, "no log written, no dump deleted through the link"
    assert os.listdir(elsewhere / "Spool") == []
    assert [run.events().count(warning) for warning in warnings] == [1, 1]
