"""The release files from scripts/package: each zip holds its architecture's program and the documents, checksums
cover every file, and a given certificate signs the program and the installer packages."""
import hashlib
import os
import struct
import subprocess
import zipfile

import pytest

from ostrilo_e2e import ROOT, VERSION

MACHINES = {"x64": 0x8664, "x86": 0x014C}


def package(out, *arguments, env=None):
    done = subprocess.run([str(ROOT / "scripts" / "package"), "--no-build", "--out", str(out), *arguments],
                          check=True, timeout=300, capture_output=True, text=True, env=env)
    return done.stdout.splitlines()


@pytest.fixture(scope="module")
def release(tmp_path_factory):
    out = tmp_path_factory.mktemp("package")
    return out, package(out)


@pytest.mark.parametrize("arch", MACHINES)
def test_zip_holds_the_program_of_its_architecture_and_the_documents(release, arch):
    folder = "Ostrilo-%s-win-%s/" % (VERSION, arch)
    package = zipfile.ZipFile(release[0] / ("Ostrilo-%s-win-%s.zip" % (VERSION, arch)))
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


def test_checksums_cover_every_release_file_and_an_unsigned_release_says_so(release):
    out, lines = release
    assert lines[0] == "package: no certificate (OSTRILO_SIGN_PFX), so this release is unsigned"
    sums = dict(reversed(line.split("  ")) for line in (out / "SHA256SUMS").read_text().splitlines())
    assert sorted(sums) == sorted("Ostrilo-%s-win-%s.%s" % (VERSION, arch, kind) for arch in MACHINES for kind in ("zip", "msi"))
    for name, digest in sums.items():
        assert hashlib.sha256((out / name).read_bytes()).hexdigest() == digest


def test_a_given_certificate_signs_program_and_installer_so_that_they_verify(tmp_path):
    key, certificate, pfx = tmp_path / "key.pem", tmp_path / "certificate.pem", tmp_path / "signer.pfx"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=Fennmark Test",
                    "-addext", "extendedKeyUsage=codeSigning", "-keyout", key, "-out", certificate],
                   check=True, capture_output=True, timeout=60)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", certificate, "-out", pfx,
                    "-passout", "pass:throw away"], check=True, capture_output=True, timeout=60)
    out = tmp_path / "release"
    env = dict(os.environ, OSTRILO_SIGN_PFX=str(pfx), OSTRILO_SIGN_PASSWORD="throw away")
    assert not any("unsigned" in line for line in package(out, "x64", env=env))
    with zipfile.ZipFile(out / ("Ostrilo-%s-win-x64.zip" % VERSION)) as release_zip:
        (tmp_path / "Ostrilo.exe").write_bytes(release_zip.read("Ostrilo-%s-win-x64/Ostrilo.exe" % VERSION))
    for signed in (tmp_path / "Ostrilo.exe", out / ("Ostrilo-%s-win-x64.msi" % VERSION)):
        verified = subprocess.run(["osslsigncode", "verify", "-CAfile", certificate, "-in", signed],
                                  capture_output=True, text=True, timeout=60)
        assert verified.returncode == 0 and "Signature verification: ok" in verified.stdout, verified.stdout
    program = bytearray((tmp_path / "Ostrilo.exe").read_bytes())
    program[0x1000] ^= 0xFF
    (tmp_path / "tampered.exe").write_bytes(program)
    assert subprocess.run(["osslsigncode", "verify", "-CAfile", certificate, "-in", tmp_path / "tampered.exe"],
                          capture_output=True, timeout=60).returncode != 0, "a changed program no longer verifies"
