"""Fixtures of the end-to-end tests: `run` (a prepared, not yet started Run), `port` (a free
TCP port) and `ini_socket`/`ini_library` helpers. A machine without the Windows build or
Wine fails the session with what to do, rather than passing with nothing tested."""
import pytest

import ostrilo_e2e as e2e


def pytest_sessionstart(session):
    missing = e2e.missing_outputs()
    if missing:
        pytest.exit("end-to-end tests need %s: run scripts/build (scripts/bootstrap installs Wine)"
                    % ", ".join(missing), returncode=1)


@pytest.fixture
def run(tmp_path):
    ostrilo = e2e.Run(tmp_path)
    yield ostrilo
    ostrilo.finish()


@pytest.fixture
def port():
    return e2e.free_port()


def general(*keys, sections=""):
    """An Ostrilo.ini text: [General] with `keys` ("ConnectionType=1", ...), then `sections`."""
    return "[General]\r\n" + "".join(key + "\r\n" for key in keys) + sections


def notification(section, event_type, **fields):
    """One notification section, e.g. notification("WinCCIsStarted", 1, T0="up")."""
    return "[HalvexMessageWhen%s]\r\nEventType=%s\r\n%s" % (
        section, event_type, "".join("%s=%s\r\n" % item for item in fields.items()))
