"""Zones of .mob map files from Python, read and written by Kelvarin's own core.

A zone holds a script and eight lists of placed objects (records):

    import kelvarin
    zone = kelvarin.open("zone.mob")          # LoadError when it does not load
    for unit in zone.units:
        if unit.PlayerNumber == 2:
            unit.LoadZ += 10.0
    zone.flames.append(LoadX=1.0, LoadY=2.0, ObjectID=zone.free_id())
    zone.save()                               # OSError with the reason when it fails

The lists are zone.units, objects, levers, traps, flames, particles1, particles2
and particles3; each is a mutable sequence (RecordList) of records of one class:
Unit, Object, Lever, Trap, Flame, Particle1, Particle2, Particle3. A record's
fields are its attributes, named as the editor's parameter table names them
(Cls.fields lists them): bytes and 32-bit integers are int, 32-bit floats float,
texts str, string lists list[str], trap points lists of tuples of raw 32-bit
values, a unit's raw chunks bytes (read-only). An assignment is checked as a
typed value is in the parameter table: a value that does not fit (2**31 for a
32-bit integer, 256 for a byte, a character code page 1251 cannot hold)
raises ValueError, one of the wrong type TypeError, and neither changes
anything.

Records added to a list are copies (of a record from any zone, of a detached
record such as kelvarin.Unit(Name1="orc"), or a new one); identities stay as
they are. Zone.copy adds a copy by the identity rules of a mass copy,
Zone.free_id gives the lowest free identity and Zone.find(id=...) or
Zone.find(name=...) the records a script's GetObjectByID and GetObjectByName
calls mean.

Zone.script is the deciphered script, Zone.check() the zone check's findings,
Zone.mass_change(options) a mass change with the options file's keys, and
Zone.units.column("LoadX") every unit's LoadX in one list.

kelvarin.diff(a, b) tells what changed from one zone to another, each a Zone or
a path, field by field:

    for record in kelvarin.diff("old.mob", zone).records:
        for field, old, new in record.fields:
            print(record.kind, record.id, field, old, "->", new)
"""

from collections.abc import MutableSequence as _MutableSequence

from ._core import (
    BlockDiff,
    Diff,
    FieldChange,
    Finding,
    Flame,
    Hunk,
    Lever,
    LoadError,
    Object,
    Particle1,
    Particle2,
    Particle3,
    Record,
    RecordDiff,
    RecordList,
    ScriptDiff,
    Trap,
    Unit,
    Zone,
    diff,
    open,
)

_MutableSequence.register(RecordList)

__all__ = [
    "open",
    "Zone",
    "LoadError",
    "RecordList",
    "Record",
    "Unit",
    "Object",
    "Lever",
    "Trap",
    "Flame",
    "Particle1",
    "Particle2",
    "Particle3",
    "Finding",
    "diff",
    "Diff",
    "RecordDiff",
    "FieldChange",
    "BlockDiff",
    "ScriptDiff",
    "Hunk",
]
