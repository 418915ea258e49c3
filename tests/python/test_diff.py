"""kelvarin.diff: field values as Python values, records added, removed and moved,
the script's hunks, and files compared as kelvarin-cli diff --json compares them."""

import json
import os
import struct
import subprocess

import pytest

import kelvarin
from conftest import CLI, script_block, with_identities, zone_file


def saved_copy(zone, path):
    zone.save(path)
    return kelvarin.open(path)


@pytest.mark.parametrize("kind,field,new", [
    ("units", "PlayerNumber", 255),
    ("units", "UncnDw1", -2**31),
    ("units", "LoadX", 1.5),
    ("units", "Name1", "Орк"),
    ("units", "Armour", ["щит", "шлем"]),
    ("traps", "TrapPoints2", [(1, 2**32 - 1)]),
    ("particles1", "ID", 9),  # the identity itself: one removed, one added
])
def test_a_changed_field_comes_with_both_values_as_python_values(tmp_path, kind, field, new):
    a = with_identities(kelvarin.Zone(), [("units", 1), ("traps", 2), ("particles1", 3)])
    b = saved_copy(a, tmp_path / "b.mob")
    record = getattr(b, kind)[0]
    old = getattr(record, field)
    setattr(record, field, new)
    d = kelvarin.diff(a, b)
    if field == "ID":
        assert [(r.kind, r.id, r.change) for r in d.records] == [(kind, old, "removed"), (kind, new, "added")]
        return
    [change] = d.records
    assert (change.kind, change.change, change.fields) == (kind, "changed", [(field, old, new)])
    name, before, after = change.fields[0]
    assert (name, before, after) == (change.fields[0].field, change.fields[0].a, change.fields[0].b)
    assert type(before) is type(old) and type(after) is type(new)
    if isinstance(new, list) and new:
        assert type(after[0]) is type(new[0])


def test_records_added_removed_and_moved_are_told_apart():
    a = with_identities(kelvarin.Zone(), [("units", 1), ("units", 2), ("units", 3), ("units", 4),
                                          ("objects", 10), ("objects", 11), ("objects", 12),
                                          ("levers", 7), ("levers", 7)])
    a.levers[1].Name2 = "second"
    b = kelvarin.Zone()
    for record in [a.units[3], a.units[0], a.units[2], a.objects[2], a.objects[0], a.objects[1], a.levers[1]]:
        getattr(b, record.kind).append(record)
    b.units.append(ObjectID=5)
    b.units[2].LoadX = 2.0
    b.objects[0].LoadY = 3.0
    d = kelvarin.diff(a, b)
    assert d and not d.same and (d.a, d.b) == (None, None)
    assert [(r.kind, r.id, r.occurrence, r.change, r.moved, r.index_a, r.index_b) for r in d.records] == [
        ("units", 2, 0, "removed", False, 1, None),
        ("units", 4, 0, "moved", True, 3, 0),
        ("units", 3, 0, "changed", False, 2, 2),
        ("units", 5, 0, "added", False, None, 3),
        ("objects", 12, 0, "changed", True, 2, 0),
        ("levers", 7, 1, "removed", False, 1, None),  # the second 7 of a; b's one 7 pairs with the first
        ("levers", 7, 0, "changed", False, 0, 0),
    ]
    assert d.records[-1].fields == [("Name2", "", "second")]
    assert "units 4: moved (index 3 -> 0)\n" in str(d) and "levers 7 (2): removed (index 1)\n" in str(d)


def test_the_script_is_compared_as_edited_in_memory():
    a, b = kelvarin.Zone(), kelvarin.Zone()
    a.script = "один\nдва\nтри\n"
    b.script = "один\nдва и два\nтри\n"
    b.script_key = 0
    d = kelvarin.diff(a, b)
    assert (d.records, d.blocks, d.script.a, d.script.b) == ([], [], {"key": 28417}, {"key": 0})
    [hunk] = d.script.hunks
    assert (hunk.a_start, hunk.a_lines, hunk.b_start, hunk.b_lines) == (1, 3, 1, 3)
    assert hunk.lines == [" один", "-два", "+два и два", " три"]
    assert d.script.text == ("--- a (script)\n+++ b (script)\n@@ -1,3 +1,3 @@\n"
                             " один\n-два\n+два и два\n три\n")
    assert str(d) == "script key: 28417 -> 0 (enciphered -> plain text)\n" + d.script.text
    b.script, b.script_key = a.script, 28417
    same = kelvarin.diff(a, b)
    assert not same and same.same and str(same) == "" and same.script.hunks == []


def generated_pair(tmp_path, generated):
    a = generated(records=300, seed=3)
    zone = kelvarin.open(a)
    zone.units[0].Name1 = "Вожак"
    zone.flames[1].LoadZ = -0.0
    del zone.levers[0]
    zone.objects.append(zone.objects.pop(0))
    zone.particles3.append(ID=zone.free_id())
    zone.script = zone.script.replace("\n", "\n// правка\n", 1)
    zone.save(tmp_path / "b.mob")
    return a, tmp_path / "b.mob"


def block_pair(tmp_path, generated):
    unknown = struct.pack("<II", 0x1234, 12)
    a = zone_file(tmp_path / "a.mob", [unknown + b"abcd", script_block(b"x")], tail=b"tail")
    b = zone_file(tmp_path / "b.mob", [unknown + b"abXd", struct.pack("<II", 0xB000, 8), script_block(b"x")],
                  kind=0xC000)
    return a, b


@pytest.mark.parametrize("make", [generated_pair, block_pair])
def test_files_compare_as_the_command_line_tells_it_in_json(tmp_path, generated, make):
    a, b = make(tmp_path, generated)
    d = kelvarin.diff(a, str(b))
    cli = json.loads(subprocess.run([CLI, "diff", str(a), str(b), "--json"], capture_output=True, text=True).stdout)
    assert (d.a, d.b, d.same, d.layout_differs) == (str(a), str(b), cli["same"], cli["layout_differs"])
    blocks = [{"block": x.block, "index": x.index, "a": x.a, "b": x.b, "first_difference": x.first_difference}
              for x in d.blocks]
    assert blocks == [{"index": None, **x} for x in cli["blocks"]]
    keys = ("kind", "id", "occurrence", "change", "moved", "index_a", "index_b")
    assert [[getattr(r, k) for k in keys] + [[f.field for f in r.fields]] for r in d.records] == \
           [[r[k] for k in keys] + [[f["field"] for f in r["fields"]]] for r in cli["records"]]
    hunks = [{"a_start": h.a_start, "a_lines": h.a_lines, "b_start": h.b_start, "b_lines": h.b_lines,
              "lines": h.lines} for h in d.script.hunks]
    assert {"a": d.script.a, "b": d.script.b, "hunks": hunks} == cli["script"]
    # A zone opened from the file compares as the file does.
    assert str(kelvarin.diff(kelvarin.open(a), b)) == str(d)


def test_an_argument_that_is_no_zone_is_refused(tmp_path):
    with pytest.raises(kelvarin.LoadError, match="missing.mob"):
        kelvarin.diff(tmp_path / "missing.mob", kelvarin.Zone())
    with pytest.raises(TypeError):
        kelvarin.diff(kelvarin.Zone(), 3)


def test_a_file_written_to_while_it_is_compared_raises_the_reason_the_cli_gives(tmp_path):
    a, b = tmp_path / "a.mob", tmp_path / "b.mob"
    kelvarin.Zone().save(a)
    kelvarin.Zone().save(b)
    asked = []

    class WriterOnceAIsRead:
        """The path of b, asked for once a is mapped: another program opens a to write."""
        def __fspath__(self):
            try:
                os.close(os.open(a, os.O_WRONLY | os.O_NONBLOCK))
            except BlockingIOError:
                asked.append(True)
            return str(b)

    with pytest.raises(OSError) as raised:
        kelvarin.diff(a, WriterOnceAIsRead())
        pytest.skip("the temporary folder's file system holds off no writer")
    assert asked
    assert str(raised.value) == f"{a}: Причина: файл изменила другая программа, пока моб читался из него."
