"""Start-up: which configuration source wins and what the log says; bridge, log retention, window."""
import datetime
import os

import pytest

from conftest import general
from ostrilo_e2e import EVENT_TRACE, SEPARATOR, SHUTDOWN_OK, WIN_BUILD, Peer, lines_of
from ostrilo_e2e import VERSION as SHOWN_VERSION

VERSION = "Ostrilo version %s is starting" % SHOWN_VERSION
TYPE_INI = "We will use the ConnectionType from Ostrilo.ini"
TYPE_REG = "We will use the ConnectionType from Registry (probably some old upgraded installation)"
PORT_INI = "We will use the PortNumber from Ostrilo.ini"
PORT_REG = "We will use the PortNumber from Registry (probably some old upgraded installation)"
LISTEN = "We will listen for Halvex connection attempts at port {port}"
LIBRARIES = "We will send alarm events to Halvex using DLL calls"
INVALID = "The ConnectionType is invalid, we will not export any alarm events to Halvex"
CONNECTED = "Successfully called ConnectWinCCDMProc()"
MISSING = "Ostrilo.DLL can not be found or is an obsolete version (< 1.0.0.2), no alarms will be sent to Halvex!"
OBSOLETE = "Ostrilo.DLL is an obsolete version (< 1.0.0.2), no alarms will be sent to Halvex!"
STARTED = "Ostrilo started as a normal application"


SOCKET_INI = [VERSION, TYPE_INI, PORT_INI, LISTEN, CONNECTED, STARTED]
SOCKET_REG = [VERSION, TYPE_REG, PORT_REG, LISTEN, CONNECTED, STARTED]
KEYS = ["ConnectionType=1", "PortNumber={port}"]


def no_listen(port, error):
    return [VERSION, TYPE_INI, PORT_INI, "Could not set Halvex connection port %s in listen mode, error: %s"
            % (port, error), CONNECTED, STARTED]


def startup_part(run):
    """Starts the program unless it runs; the log up to the end of a normal start."""
    if run.program is None:
        run.start()
    run.wait_log(STARTED)
    log = run.log()
    return log[:log.index(STARTED) + 1]


def close_with_shutdown(run, bridge=True):
    run.close()
    shutdown = SHUTDOWN_OK if bridge else [line.replace("Successfully called", "Failed to call") for line in SHUTDOWN_OK]
    assert run.log()[-5:] == shutdown + ["Ostrilo has been shutdown", SEPARATOR]
    assert lines_of(run.log_path())[-1] == SEPARATOR, "the separator line has no time stamp"


# ini keys, registry values, expected start-up lines, alarms exported
SOURCES = {
    "ini only": (KEYS, {}, SOCKET_INI, True),
    "registry text wins": (["ConnectionType=0", "PortNumber=1"], {"ConnectionType": "1", "ServerPort": "{port}"},
                           SOCKET_REG, True),
    "registry number wins": (["ConnectionType=1"], {"ConnectionType": 0},
                             [VERSION, TYPE_REG, LIBRARIES, CONNECTED, STARTED], True),
    "registry number port": (["PortNumber=1"], {"ConnectionType": 1, "ServerPort": "#{port}"}, SOCKET_REG, True),
    "registry -1 leaves it to the ini": (KEYS, {"ConnectionType": 0xFFFFFFFF, "ServerPort": 0xFFFFFFFF}, SOCKET_INI,
                                         True),
    "port beyond 65535": (["ConnectionType=1", "PortNumber=65536"], {}, no_listen(65536, "Invalid argument."), True),
    "listen address not IPv4": (KEYS + ["ListenAddress=plant-pc"], {}, no_listen(
        "{port}", 'ListenAddress "plant-pc" is not an IPv4 address'), True),
    # A registry text beyond 1024 bytes is not read at all; read, it would be 0.
    "registry too long leaves it to the ini": (KEYS, {"ConnectionType": "0" * 1100}, SOCKET_INI, True),
    "nothing configured": ([], {}, [VERSION, "Could not find any valid ConnectionType in Registry or Ostrilo.ini",
                                    INVALID, STARTED], False),
    # The INI's type is the number at the start of the text (the conversions' other cases are unit tests).
    "ini one and letters": (["ConnectionType=1abc", "PortNumber={port}"], {}, SOCKET_INI, True),
}


@pytest.mark.parametrize("keys, registry, expected, exports", SOURCES.values(), ids=[name.replace(" ", "_") for name in SOURCES])
def test_configuration_source_decides_and_is_logged(run, port, keys, registry, expected, exports):
    if keys:
        run.ini(general(*(key.format(port=port) for key in keys)))
    for name, value in registry.items():
        # "#..." stands for a port given as a number
        run.reg(name, int(value[1:].format(port=port)) if str(value).startswith("#") else
                value.format(port=port) if isinstance(value, str) else value)
    assert startup_part(run) == [line.format(port=port) for line in expected]
    assert run.journal("Ostrilo")[:2] == ["GetDLLVersion -> 2", "ConnectWinCCDMProc -> 1"][:1 + exports]
    if LISTEN in expected:
        Peer(port, timeout=5).close()
    if exports:
        run.wait_journal("Halvex2", "GetRunningApps")
    close_with_shutdown(run)
    assert exports or run.journal("Halvex2") == [], "the tick stays idle without export"


@pytest.mark.parametrize("version", [1, 0, -1])
def test_obsolete_bridge_disables_the_export_without_connecting(run, version):
    run.ini(general("ConnectionType=0"))
    run.control("Ostrilo", "version=%d\n" % version)
    assert startup_part(run) == [VERSION, TYPE_INI, LIBRARIES, OBSOLETE, STARTED]
    close_with_shutdown(run)
    assert run.journal("Ostrilo") == ["GetDLLVersion -> %d" % version, "StopWinCCMsgService -> 1",
                                      "DisconnectWinCCDMProc -> 1"]
    assert run.journal("Halvex2") == []


def test_missing_bridge_disables_the_export_but_the_port_listens(run, port):
    run.ini(general("ConnectionType=1", "PortNumber=%d" % port))
    (run.dir / "Ostrilo.dll").unlink()
    # A working bridge planted in the start folder must not be loaded either.
    (run.base / "Ostrilo.dll").write_bytes((WIN_BUILD / "sim" / "Ostrilo.dll").read_bytes())
    run.start(winedebug=EVENT_TRACE)
    assert startup_part(run) == [VERSION, TYPE_INI, PORT_INI, LISTEN.format(port=port), MISSING, STARTED]
    assert [kind[:2] for kind in run.events()] == [(1, 200)], "one error: no alarm export"
    Peer(port, timeout=5).close()
    close_with_shutdown(run, bridge=False)
    assert not (run.base / "Ostrilo.journal").exists(), "the planted library was loaded"


BOM = "Warning: Ostrilo.ini begins with a UTF-8 byte-order mark, so a section on its first line is not read; " \
      "save it again with the encoding ANSI"
HOLD_ON = "We will hold messages that Halvex cannot take for up to 60 minutes, at most 10000 of them, in " \
          "Spool\\HeldMessages.dat"


# Settings a plant engineer can get wrong without a word; a comment first keeps [General] readable.
@pytest.mark.parametrize("hold, expected", [
    (["HoldUndeliveredMinutes=60 min"], ["The HoldUndeliveredMinutes 60 min is not a number of minutes, "
                                         "no message will be held for Halvex"]),
    (["HoldUndeliveredMinutes=60", "HoldUndeliveredMessages=-5"], [
        "The HoldUndeliveredMessages -5 is not a number of messages, at most 10000 will be held", HOLD_ON]),
], ids=["minutes", "messages"])
def test_byte_order_mark_and_unusable_hold_values_are_named_at_start(run, hold, expected):
    run.ini("\xef\xbb\xbf; Notepad's UTF-8\r\n" + general("ConnectionType=0", *hold))
    assert startup_part(run) == [VERSION, BOM, TYPE_INI, LIBRARIES, CONNECTED] + expected + [STARTED]
    run.close()


def day_file_of_age(age):
    """A day-file name of that age by the retention's count (365 a year, 30 a month); the day
    number may exceed 31, since only the digits of the name count."""
    today = datetime.date.today()
    for year in range(today.year, today.year - 3, -1):
        for month in range(12, 0, -1):
            day = (today.year - year) * 365 + (today.month - month) * 30 + today.day - age
            if 1 <= day <= 99:
                return "LogFiles/%04d-%02d-%02d.Log" % (year, month, day)


@pytest.mark.parametrize("value, kept", [("30.5", 30), ("", 60), ("365", 365)])
def test_retention_keeps_files_up_to_the_days_and_deletes_older_read_only_and_digitless_ones(run, value, kept):
    run.ini(general("ConnectionType=0", "DaysToKeepLogFiles=" + value))
    deleted = [run.write(day_file_of_age(kept + 1), "x"), run.write("LogFiles/XXXX-XX-XX.Log", "x")]
    os.chmod(deleted[0], 0o444)
    year = datetime.date.today().year
    kept = [run.write(name, "x") for name in (day_file_of_age(kept), "LogFiles/%d-01-01.Log" % (year + 1),
                                              "LogFiles/2020-01-1.Log", "LogFiles/notes 2020-01-01.txt", "2020-01-01.Log")]
    run.start()
    run.wait(lambda: not any(path.exists() for path in deleted), "deletion of the old day files")
    run.close()
    assert all(path.exists() for path in kept)


def test_reads_its_ini_and_logs_beside_itself_at_a_drive_root_and_shows_them_in_its_window(run):
    decoy = general("ConnectionType=0")
    (run.base / "Ostrilo.ini").write_text(decoy)
    (run.prefix / "drive_c" / "windows" / "Ostrilo.ini").write_text(decoy)
    run.ini(general("ConnectionType=2"))  # no export: the panels keep their initial texts
    os.symlink(run.dir, run.prefix / "dosdevices" / "p:")
    run.start(program="P:\\Ostrilo.exe")
    assert run.probe("wait-window", "20")[0].startswith("WinCC to Halvex")
    logged = startup_part(run)
    assert logged == [VERSION, TYPE_INI, INVALID, STARTED]
    assert not (run.base / "LogFiles").exists()
    panels = run.probe("panels")
    assert panels[:3] == ["Socket connection status", "WinCC run status", "Halvex run status"]
    assert len(panels) == 5 and all(panels[3:])
    shown = run.probe("list-lines")
    assert [line[24:] for line in shown] == logged
    assert all(line[4] == "-" and line[10] == " " and line[19] == "." for line in shown)
    close_with_shutdown(run)
