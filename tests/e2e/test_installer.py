"""The Windows Installer package under Wine's msiexec, as plant IT deploys it: a silent install into a fresh prefix,
the service relaying an alarm, a major upgrade from a lower version, and an uninstall that keeps the plant's data."""
import re
import shutil
import subprocess

from conftest import general
from ostrilo_e2e import LIBRARIES, ROOT, WIN_BUILD, Peer, project_version
from test_service import EVENT_SOURCE, PARAMETERS, SERVICE_KEY, state

FOLDER = "C:\\Program Files\\Ostrilo\\"
INSTALL = 180


def package(out, *version):
    subprocess.run([str(ROOT / "scripts" / "package"), "--no-build", "--out", str(out), *version, "x64"],
                   check=True, timeout=300, stdout=subprocess.DEVNULL)
    return next(out.glob("*.msi"))


def msiexec(run, action, msi, succeeds=True):
    done = run.wine("msiexec", action, "Z:" + str(msi).replace("/", "\\"), "/qn", timeout=INSTALL)
    assert (done.returncode == 0) == succeeds, "msiexec %s %s: %s" % (action, msi.name, done.stderr[-2000:])


def relay_one_alarm(run, port, alarm):
    run.wait(lambda: state(run) == "RUNNING", "the service running")
    halvex = Peer(port)
    run.wait_log("We found out that WinCC is running")
    run.queue([alarm])
    assert halvex.read_line() == alarm + "||24"
    run.wait_log("Sent Message to Halvex: " + alarm)
    halvex.close()


def test_install_upgrade_and_uninstall_keep_configuration_logs_and_spool(run, port, tmp_path):
    older = package(tmp_path / "older", "--version", "1.0.01")
    newer = package(tmp_path / "newer")
    run.dir, run.win_dir = run.prefix / "drive_c" / "Program Files" / "Ostrilo", FOLDER

    msiexec(run, "/i", older)
    example = (ROOT / "Ostrilo.ini.example").read_bytes()
    assert (run.dir / "Ostrilo.ini").read_bytes() == example == (run.dir / "Ostrilo.ini.example").read_bytes()
    assert (run.dir / "LogFiles").is_dir() and (run.dir / "Spool").is_dir()
    # README.md and what it links to, with Windows line ends, so that a plant PC shows them as written.
    for document in [ROOT / "README.md"] + sorted((ROOT / "docs").iterdir()):
        shipped = document.read_bytes()
        if document.suffix == ".md":
            shipped = shipped.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        assert (run.dir / document.relative_to(ROOT)).read_bytes() == shipped, document.name
    assert state(run) == "STOPPED", "the engineer edits Ostrilo.ini before the first start"
    registration = run.reg_query(SERVICE_KEY)
    assert re.search(r"Start +REG_DWORD +0x2\b", registration), "automatic start"
    assert '"%sOstrilo.exe"' % FOLDER in registration or "%sOstrilo.exe" % FOLDER in registration
    assert "Relays WinCC alarm messages to the Halvex alarm server" in registration
    assert "%sOstrilo.exe" % FOLDER in run.reg_query(EVENT_SOURCE, "EventMessageFile")
    assert "RunAsService    REG_SZ    1" in run.reg_query(PARAMETERS, "RunAsService")

    # The plant's side: its configuration, its libraries, something held in the spool.
    settings = general("ConnectionType=1", "PortNumber=%d" % port).encode()
    configuration = run.write("Ostrilo.ini", settings)
    for library in LIBRARIES:
        shutil.copy(WIN_BUILD / "sim" / library, run.dir)
    run.control("Ostrilo", "project=Plant A\n")
    spooled = run.write("Spool/kept.dat", b"plant data")
    assert run.wine("net", "start", "Ostrilo").returncode == 0
    relay_one_alarm(run, port, "Before the upgrade")

    msiexec(run, "/i", newer)
    relay_one_alarm(run, port, "After the upgrade")
    assert configuration.read_bytes() == settings
    assert spooled.read_bytes() == b"plant data"
    assert "RunAsService    REG_SZ    1" in run.reg_query(PARAMETERS, "RunAsService")
    products = run.wine("reg", "query", r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", "/s").stdout
    assert re.findall(r"DisplayVersion +REG_SZ +(\S+)", products) == [".".join(map(str, project_version()))], "the older version is gone"
    msiexec(run, "/i", older, succeeds=False)  # an older package refuses to replace a newer one

    msiexec(run, "/x", newer)
    assert state(run) == "" and run.reg_query(SERVICE_KEY) is None and run.reg_query(EVENT_SOURCE) is None
    assert not (run.dir / "Ostrilo.exe").exists() and not (run.dir / "Ostrilo.ini.example").exists()
    assert not (run.dir / "docs").exists()
    assert configuration.exists() and spooled.exists() and run.log_path().exists(), "plant data stays"
