"""The release zips as a user gets them: made by scripts/package from the current builds,
each holding the program of its own architecture, the x64 one starting with nothing beside it."""
import shutil
import struct
import subprocess
import zipfile

import pytest

from ostrilo_e2e import ROOT, SEPARATOR

MACHINES = {"x64": 0x8664, "x86": 0x014C}


@pytest.fixture(scope="module")
def packages(tmp_path_factory):
    out = tmp_path_factory.mktemp("package")
    subprocess.run([str(ROOT / "scripts" / "package"), "--no-build", "--out", str(out)], check=True, timeout=300,
                   stdout=subprocess.DEVNULL)
    return {arch: zipfile.ZipFile(out / ("Ostrilo-1.0.02-win-%s.zip" % arch)) for arch in MACHINES}


@pytest.mark.parametrize("arch", MACHINES)
def test_zip_holds_the_program_of_its_architecture_and_the_documents(packages, arch):
    folder = "Ostrilo-1.0.02-win-%s/" % arch
    package = packages[arch]
    assert sorted(package.namelist()) == [folder, folder + "Ostrilo.exe", folder + "Ostrilo.ini.example",
                                          folder + "README.md"]
    program = package.read(folder + "Ostrilo.exe")
    header = struct.unpack_from("<I", program, 0x3C)[0]
    assert program[header:header + 4] == b"PE\0\0"
    assert struct.unpack_from("<H", program, header + 4)[0] == MACHINES[arch], "a swapped build loads no library"
    assert program == (ROOT / "build" / ("win-" + arch) / "bin" / "Ostrilo.exe").read_bytes()
    for document in ("Ostrilo.ini.example", "README.md"):
        assert package.read(folder + document) == (ROOT / document).read_bytes()


def test_sample_configuration_has_crlf_and_sets_nothing_when_copied_as_is(packages):
    lines = packages["x64"].read("Ostrilo-1.0.02-win-x64/Ostrilo.ini.example").decode("latin-1").split("\n")[:-1]
    assert all(line.endswith("\r") for line in lines)
    lines = [line[:-1] for line in lines]
    assert [line for line in lines if line.startswith("[")] == [
        "[General]", "[HalvexMessageWhenOstriloIsStarted]", "[HalvexMessageWhenOstriloIsStopped]",
        "[HalvexMessageWhenWinCCIsStarted]", "[HalvexMessageWhenWinCCIsStopped]"]
    assert not [line for line in lines if line and line[0] not in "[;"], "a copied sample must choose nothing"


def test_unpacked_program_starts_without_configuration_or_libraries(packages, run):
    for name in ("Ostrilo.exe", "Ostrilo.dll", "Halvex2.dll", "Halvex3.dll"):
        run.remove(name)
    with packages["x64"].open("Ostrilo-1.0.02-win-x64/Ostrilo.exe") as program, \
            open(run.dir / "Ostrilo.exe", "wb") as copy:
        shutil.copyfileobj(program, copy)
    run.start()
    run.wait_log("Ostrilo started as a normal application")
    run.close()
    assert run.log() == [
        "Ostrilo version 1.0.02 is starting", "Could not find any valid ConnectionType in Registry or Ostrilo.ini",
        "The ConnectionType is invalid, we will not export any alarm events to Halvex",
        "Ostrilo.DLL can not be found or is an obsolete version (< 1.0.0.2), no alarms will be sent to Halvex!",
        "Ostrilo started as a normal application", "Shutting down Ostrilo", "Failed to call StopWinCCMsgService()",
        "Failed to call DisconnectWinCCDMProc()", "Ostrilo has been shutdown", SEPARATOR]
