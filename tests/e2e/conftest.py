"""Fixtures `run` (a prepared, unstarted Run) and `port`, ini helpers; lacking the Windows build, Wine or the
tests' time bound fails."""
import random
import socket

import pytest

import ostrilo_e2e as e2e


def pytest_sessionstart(session):
    bounded = session.config.pluginmanager.hasplugin("timeout")  # pytest.ini's bound on every test
    missing = e2e.missing_outputs() + ([] if bounded else ["pytest-timeout"])
    if missing:
        pytest.exit("end-to-end tests need %s: run scripts/build (scripts/bootstrap installs Wine and pytest-timeout)"
                    % ", ".join(missing), returncode=1)


@pytest.fixture
def run(tmp_path):
    ostrilo = e2e.Run(tmp_path)
    yield ostrilo
    ostrilo.finish()


@pytest.fixture
def port():
    """Below the ephemeral range: a port picked there was at times taken before Ostrilo listened."""
    while True:
        with socket.socket() as holder:
            candidate = random.randint(20000, 32000)
            if holder.connect_ex(("127.0.0.1", candidate)) != 0:
                return candidate


def general(*keys, sections=""):
    """An Ostrilo.ini text: [General] with `keys` ("ConnectionType=1", ...), then `sections`."""
    return "[General]\r\n" + "".join(key + "\r\n" for key in keys) + sections


def notification(section, event_type, **fields):
    """One notification section, e.g. notification("WinCCIsStarted", 1, T0="up")."""
    return "[HalvexMessageWhen%s]\r\nEventType=%s\r\n%s" % (
        section, event_type, "".join("%s=%s\r\n" % item for item in fields.items()))
