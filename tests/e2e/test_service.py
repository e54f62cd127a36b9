"""The program as a service: its install and removal switches, a second instance refused."""
import re
import threading

import pytest

from conftest import general, notification
from ostrilo_e2e import EVENT_TRACE, OUTCOMES, SEPARATOR, SHUTDOWN_OK, VERSION

PARAMETERS = r"HKLM\SOFTWARE\Fennmark\Ostrilo\Parameters"
SERVICE_KEY = r"HKLM\System\CurrentControlSet\Services\Ostrilo"
EVENT_SOURCE = r"HKLM\System\CurrentControlSet\Services\EventLog\Application\Ostrilo"
# Every run that ends through the shutdown writes these last, the stop notification by library.
SHUTDOWN = SHUTDOWN_OK + [OUTCOMES["queued2"] + "1|||Stopped||||", OUTCOMES["queued3"] + "1|||Stopped||||",
                          "Ostrilo has been shutdown", SEPARATOR]
FIRST_TICK = ["We found out that WinCC is stopped", "We found out that Halvex is running"]
SERVICE_START = ["Ostrilo version %s is starting" % VERSION, "We will use the ConnectionType from Ostrilo.ini",
                 "We will send alarm events to Halvex using DLL calls", "Successfully called ConnectWinCCDMProc()",
                 "Ostrilo started as a service"]


def entry(text):
    """How Wine traces an event-log entry."""
    return 'ReportEventW L"%s"' % text


@pytest.fixture
def service_run(run):
    run.ini(general("ConnectionType=0", sections=notification("OstriloIsStopped", 1, T0="Stopped")))
    return run


def setting(run):
    query = run.reg_query(PARAMETERS, "RunAsService")
    return re.search(r"RunAsService +REG_SZ +(\S*)", query).group(1) if query else None


def state(run):
    match = re.search(r"STATE +: +\d+ +([A-Z_]+)", run.wine("sc", "query", "Ostrilo").stdout)
    return match.group(1) if match else ""


def switch_run(run, argument, name, box):
    """A start with a switch beside whatever runs already; its box answered and checked."""
    child = run.spawn(argument, winedebug=EVENT_TRACE, name=name)
    assert run.probe("answer-box", "20") == [box]
    assert run.wait_exit(child=child) == 0


def test_installation_registers_the_service_and_removal_takes_it_away_each_ending_by_the_shutdown(service_run):
    run = service_run
    switch_run(run, "/I", "install", "Ostrilo service installation succeeded")
    assert run.log() == SHUTDOWN
    assert entry("") not in run.stderr("install"), "the installation run itself is no service run"
    assert setting(run) == "1" and state(run) == "STOPPED"
    registration = run.reg_query(SERVICE_KEY)
    assert re.search(r"Start +REG_DWORD +0x2\b", registration), "automatic start"
    assert re.search(r"Type +REG_DWORD +0x10\b", registration), "own process, not interactive"
    assert '"%sOstrilo.exe"' % run.win_dir in registration, "quoted program path"
    assert "Description    REG_SZ    Relays WinCC alarm messages to the Halvex alarm server" in registration
    assert "%sOstrilo.exe" % run.win_dir in run.reg_query(EVENT_SOURCE), "the program holds the event texts"
    switch_run(run, "/u", "remove", "Ostrilo service uninstalled successfully")
    assert setting(run) == "0" and state(run) == ""
    assert run.reg_query(SERVICE_KEY) is None and run.reg_query(EVENT_SOURCE) is None
    assert run.stderr("remove").count(entry("Ostrilo has been shutdown")) == 1, "it started in service mode"
    # A service deleted by hand leaves the setting behind; removal, either switch case, resets it.
    run.reg("RunAsService", "1", key=PARAMETERS)
    switch_run(run, "-U /i", "remove", "Ostrilo service uninstalled successfully")
    assert setting(run) == "0"
    assert run.log() == SHUTDOWN * 3


def test_second_instance_is_refused_and_installs_nothing_even_when_another_program_took_the_name(service_run):
    run = service_run
    marker = run.base / "mutex.held"
    squatter = threading.Thread(target=run.probe, args=(
        "hold-mutex", "Global\\Fennmark.Ostrilo.Instance", "Z:" + str(marker).replace("/", "\\"), "8"))
    squatter.start()
    run.wait(marker.exists, "the name taken")
    run.start(winedebug=EVENT_TRACE)
    run.wait_log(FIRST_TICK[-1])
    before = run.log()
    switch_run(run, "/I", "second", "Ostrilo is already started!")
    assert run.program.poll() is None and run.log() == before, "the refused instance writes nothing"
    assert state(run) == "" and setting(run) is None
    run.close()
    squatter.join()
    assert run.log() == before + SHUTDOWN
    assert entry("") not in run.stderr(), "no event log for an application"
