"""Zones read and written: byte-identical round trips, the loader's refusals as
LoadError, the safe save path's refusals as OSError."""

import os
import socket
import struct

import pytest

import kelvarin
from conftest import script_block, zone_file


def test_open_then_save_gives_the_same_bytes(generated, tmp_path):
    path = generated(records=500, seed=4)
    zone = kelvarin.open(path)
    assert zone.path == str(path)
    out = tmp_path / "again.mob"
    zone.save(out)
    assert out.read_bytes() == path.read_bytes()
    assert zone.path == str(out)  # it takes the path it was saved to


def test_a_file_the_writer_did_not_make_keeps_its_blocks_and_tail(tmp_path):
    unknown = struct.pack("<II", 0x1234, 12) + b"abcd"
    objects = struct.pack("<II", 0xB000, 8)
    path = zone_file(tmp_path / "odd.mob", [objects, unknown, script_block(b"Script Main {}", 0)], kind=0xC000,
                     tail=b"\x00tail")
    zone = kelvarin.open(path)
    assert (zone.mob_kind, zone.flags) == ("ZonalMob", struct.pack("<II", 0xC000, 8))
    assert zone.unknown_blocks == [(3, unknown)]
    assert zone.tail == b"\x00tail" and zone.script == "Script Main {}" and zone.script_key == 0
    zone.save()
    again = kelvarin.open(path)
    assert (again.unknown_blocks, again.tail, again.script) == (zone.unknown_blocks, zone.tail, zone.script)


def test_a_changed_zone_reads_back_as_changed(generated, tmp_path):
    zone = kelvarin.open(generated(records=300, seed=6))
    zone.units[0].Name1 = "Вожак"
    zone.traps[0].TrapPoints2 = [(1, 2), (3, 4)]
    del zone.particles2[0]
    zone.script = zone.script + "\n// ещё строка\n"
    zone.save()
    again = kelvarin.open(zone.path)
    assert again.units[0].Name1 == "Вожак" and again.traps[0].TrapPoints2 == [(1, 2), (3, 4)]
    assert len(again.particles2) == len(zone.particles2) and again.script.endswith("// ещё строка\n")


def test_a_new_zone_saves_to_a_file_that_loads(tmp_path):
    zone = kelvarin.Zone()
    assert zone.path is None and zone.has_script and zone.has_objects and zone.script == ""
    with pytest.raises(ValueError, match="give save\\(\\) a path"):
        zone.save()
    zone.units.append(Name1="первый", ObjectID=1)
    zone.save(tmp_path / "new.mob")
    again = kelvarin.open(tmp_path / "new.mob")
    assert [u.Name1 for u in again.units] == ["первый"]
    assert [f.code for f in again.check()] == ["zero-rotation"]  # a new record's fields are all empty


def no_such_file(tmp_path):
    return tmp_path / "missing.mob"


def not_a_zone(tmp_path):
    path = tmp_path / "text.mob"
    path.write_bytes(b"not a zone at all")
    return path


def cut_short(tmp_path):
    path = zone_file(tmp_path / "short.mob", [script_block(b"abc")])
    path.write_bytes(path.read_bytes()[:-2])
    return path


@pytest.mark.parametrize("make,line", [
    (no_such_file, "ENOENT"),
    (not_a_zone, "Это не моб нихрена!"),
    (cut_short, "Загрузить моб не удалось!"),
    (lambda tmp_path: tmp_path, "не обычный файл"),  # a folder
])
def test_a_file_that_does_not_load_raises_load_error_with_the_loader_lines(tmp_path, make, line):
    path = make(tmp_path)
    with pytest.raises(kelvarin.LoadError) as raised:
        kelvarin.open(path)
    message = str(raised.value)
    assert message.startswith(f"{path}: the zone could not be loaded:") and line in message


def folder(tmp_path):
    path = tmp_path / "folder.mob"
    path.mkdir()
    return path, "папка"


def fifo(tmp_path):
    path = tmp_path / "fifo.mob"
    os.mkfifo(path)
    return path, "FIFO"


def unix_socket(tmp_path):
    path = tmp_path / "s.mob"
    listener = socket.socket(socket.AF_UNIX)
    listener.bind(str(path))
    return path, "сокет"


def missing_folder(tmp_path):
    return tmp_path / "no" / "such" / "folder.mob", "ENOENT"


@pytest.mark.parametrize("target", [folder, fifo, unix_socket, missing_folder])
def test_a_save_the_safe_path_refuses_raises_os_error_and_touches_nothing(generated, tmp_path, target):
    zone = kelvarin.open(generated(records=100))
    path, reason = target(tmp_path)
    kind_before = os.path.exists(path) and os.stat(path).st_mode
    files_before = sorted(os.listdir(tmp_path))
    with pytest.raises(OSError) as raised:
        zone.save(path)
    assert str(path) in str(raised.value) and reason in str(raised.value)
    assert (os.path.exists(path) and os.stat(path).st_mode) == kind_before
    assert zone.path != str(path)
    assert sorted(os.listdir(tmp_path)) == files_before  # no temporary file left behind
