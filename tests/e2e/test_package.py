"""The release zips from scripts/package: each holds its architecture's program and the documents."""
import struct
import subprocess
import zipfile

import pytest

from ostrilo_e2e import ROOT

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
    documents = ["Ostrilo.ini.example", "README.md"] + ["docs/" + path.name for path in (ROOT / "docs").glob("*.md")]
    assert sorted(package.namelist()) == sorted([folder, folder + "Ostrilo.exe", folder + "docs/",
                                                 folder + "docs/screenshot.png"] + [folder + d for d in documents])
    program = package.read(folder + "Ostrilo.exe")
    header = struct.unpack_from("<I", program, 0x3C)[0]
    assert program[header:header + 4] == b"PE\0\0"
    assert struct.unpack_from("<H", program, header + 4)[0] == MACHINES[arch], "a swapped build loads no library"
    assert program == (ROOT / "build" / ("win-" + arch) / "bin" / "Ostrilo.exe").read_bytes()
    # Windows line ends, so Notepad on a plant PC shows them as written.
    for document in documents:
        assert package.read(folder + document) == (ROOT / document).read_bytes().replace(b"\r\n", b"\n").replace(
            b"\n", b"\r\n")
    assert package.read(folder + "docs/screenshot.png") == (ROOT / "docs" / "screenshot.png").read_bytes()
