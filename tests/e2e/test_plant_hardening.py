"""Plant PC life: the session ends, a slow bridge at boot, piled-up dumps, an open folder, a held lock."""
import os
import re

from test_service import (FIRST_TICK, PARAMETERS, SERVICE_START, SHUTDOWN, TRACE, service_run,  # noqa: F401
                          state, switch_run)


def checkpoint(run):
    """The service's progress counter as `sc query` shows it (Windows gives up when it stalls)."""
    return int(re.search(r"CHECKPOINT +: +(0x[0-9a-fA-F]+)", run.wine("sc", "query", "Ostrilo").stdout).group(1), 16)


def test_end_of_the_windows_session_runs_the_whole_shutdown(service_run):
    service_run.start()
    service_run.wait_log(FIRST_TICK[-1])
    assert service_run.probe("end-session") == ["may end"]
    assert service_run.wait_exit() == 0
    assert service_run.log()[-len(SHUTDOWN):] == SHUTDOWN


def test_start_keeps_the_newest_ten_crash_dumps(service_run):
    dumps = ["Ostrilo-2026-11-%02d-120000.dmp" % day for day in range(1, 12)]
    for name in dumps + ["Other.dmp"]:
        service_run.write("LogFiles/" + name, "dump")
    service_run.start()
    service_run.wait_log(FIRST_TICK[-1])
    kept = dumps[1:] + ["Other.dmp", service_run.log_path().name]
    assert sorted(os.listdir(service_run.dir / "LogFiles")) == sorted(kept)
    service_run.close()


def test_service_start_survives_a_bridge_connect_blocking_for_40_seconds(service_run):
    run = service_run
    switch_run(run, "/I", "install", "Ostrilo service installation succeeded")
    run.control("Ostrilo", "connect_delay_seconds=40\n")
    assert run.wine("net", "start", "Ostrilo").returncode == 0
    assert state(run) == "START_PENDING"
    first = checkpoint(run)
    run.wait(lambda: checkpoint(run) > first, "a further start checkpoint", timeout=10)
    run.wait(lambda: state(run) == "RUNNING", "the service running", timeout=70)
    assert run.log()[len(SHUTDOWN):][:5] == SERVICE_START
    assert run.wine("net", "stop", "Ostrilo").returncode == 0


def test_service_mode_warns_of_an_open_program_folder_and_of_a_refused_start(service_run):
    run = service_run
    run.reg("RunAsService", "1", key=PARAMETERS)
    os.chmod(run.dir, 0o777)  # under Wine, write rights for others read as Everyone's
    run.start(winedebug=TRACE)
    warning = run.wait_log("Warning: users who are not administrators may create or change files in the program "
                           "folder C:\\Ostrilo\\, ")
    run.wait_log(FIRST_TICK[-1])
    before = run.log()
    assert before[before.index(warning) - 1] == "Ostrilo started as a service"
    run.wait(lambda: (2, 202, warning) in run.events(), "the warning in the event log")

    second = run.spawn(winedebug=TRACE, name="second")
    assert run.wait_exit(child=second) == 0
    assert run.events("second") == [(1, 201, "Ostrilo did not start as a service: another instance of Ostrilo is "
                                             "already running. End that instance, then start the service again")]
    assert run.log() == before, "the refused start writes no log line"
