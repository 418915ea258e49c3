"""Every kind of field: what Python type it reads as, what it takes back, and that
a refused value changes nothing."""

import math
import re
import struct

import pytest

import kelvarin


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


# (class, field, value assigned, value read back)
ACCEPTED = [
    (kelvarin.Unit, "PlayerNumber", 0, 0),
    (kelvarin.Unit, "PlayerNumber", 255, 255),
    (kelvarin.Unit, "PlayerNumber", -1, 255),  # as the parameter table stores it
    (kelvarin.Lever, "UncnByte3", 200, 200),
    (kelvarin.Unit, "ObjectID", -2**31, -2**31),
    (kelvarin.Unit, "ObjectID", 2**31 - 1, 2**31 - 1),
    (kelvarin.Particle2, "UnknDW3", -5, -5),
    (kelvarin.Flame, "LoadX", 0.1, f32(0.1)),
    (kelvarin.Flame, "CoordZ", 3, 3.0),
    (kelvarin.Particle1, "ColorR", 3.4028235e38, f32(3.4028235e38)),  # rounds to the largest float
    (kelvarin.Object, "LoadY", -math.inf, -math.inf),
    (kelvarin.Object, "LoadZ", 1e-45, f32(1e-45)),
    (kelvarin.Unit, "Name1", "Орк «вождь» №1", "Орк «вождь» №1"),
    (kelvarin.Particle3, "NameStr", "\x98", "\x98"),  # the byte 1251 leaves undefined round-trips
    (kelvarin.Unit, "Name1", "", ""),
    (kelvarin.Unit, "Armour", ["a", "б", ""], ["a", "б", ""]),
    (kelvarin.Particle2, "SoundStr_s", ("x,y",), ["x,y"]),
    (kelvarin.Object, "BodyTextures", [], []),
    (kelvarin.Trap, "TrapPoints1", [(1, 2, 3), [0, 2**32 - 1, 7]], [(1, 2, 3), (0, 2**32 - 1, 7)]),
    (kelvarin.Trap, "TrapPoints2", [(4, 5)], [(4, 5)]),
]

# (class, field, value, exception, words of the message)
REFUSED = [
    (kelvarin.Unit, "PlayerNumber", 256, ValueError, "256 does not fit a byte"),
    (kelvarin.Unit, "PlayerNumber", -129, ValueError, "does not fit a byte"),
    (kelvarin.Lever, "UncnByte3", 300, ValueError, "does not fit a byte"),
    (kelvarin.Unit, "PlayerNumber", True, TypeError, "expected an int"),
    (kelvarin.Unit, "PlayerNumber", 1.0, TypeError, "expected an int"),
    (kelvarin.Unit, "ObjectID", 2**31, ValueError, "2147483648 does not fit a 32-bit integer"),
    (kelvarin.Unit, "ObjectID", -2**31 - 1, ValueError, "does not fit a 32-bit integer"),
    (kelvarin.Particle1, "ID", 10**40, ValueError, "does not fit a 32-bit integer"),
    (kelvarin.Trap, "UnknDw1", "7", TypeError, "expected an int"),
    (kelvarin.Flame, "LoadX", 1e39, ValueError, "beyond the range of a 32-bit float"),
    (kelvarin.Flame, "LoadX", 10**400, ValueError, "beyond the range of a 32-bit float"),
    (kelvarin.Flame, "FlameSize", "1.5", TypeError, "expected a float"),
    (kelvarin.Unit, "Name1", "орк 中", ValueError, "'中' (U+4E2D) at position 4 cannot be stored in code page 1251"),
    (kelvarin.Unit, "Name1", "\udc80", ValueError, "surrogate"),
    (kelvarin.Unit, "Name1", b"orc", TypeError, "expected a str"),
    (kelvarin.Unit, "Armour", "abc", TypeError, "expected a list of str"),
    (kelvarin.Unit, "Armour", ["a", 1], TypeError, "Unit.Armour[1]: expected a str"),
    (kelvarin.Unit, "Items", ["€", "😀"], ValueError, "Unit.Items[1]"),
    (kelvarin.Trap, "TrapPoints1", [(1, 2)], ValueError, "a point has 3 values, not 2"),
    (kelvarin.Trap, "TrapPoints2", [(0, 2**32)], ValueError, "no raw 32-bit value"),
    (kelvarin.Trap, "TrapPoints2", [(-1, 0)], ValueError, "no raw 32-bit value"),
]


@pytest.fixture
def zone(generated):
    return kelvarin.open(generated(records=400, seed=5))


def record_of(zone, cls):
    records = getattr(zone, cls.kind)
    assert len(records) > 0
    return records[len(records) // 2]


@pytest.mark.parametrize("cls,field,value,expected", ACCEPTED)
def test_a_value_that_fits_is_read_back_as_stored(zone, cls, field, value, expected):
    for record in (record_of(zone, cls), cls()):  # in a zone and detached
        setattr(record, field, value)
        assert getattr(record, field) == expected
        assert type(getattr(record, field)) is type(expected)


@pytest.mark.parametrize("cls,field,value,error,words", REFUSED)
def test_a_refused_value_changes_nothing(zone, tmp_path, cls, field, value, error, words):
    record = record_of(zone, cls)
    before = record.to_dict()
    with pytest.raises(error, match=re.escape(words)):
        setattr(record, field, value)
    assert record.to_dict() == before
    # Nor does a record made with the value come into being.
    count = len(getattr(zone, cls.kind))
    with pytest.raises(error):
        getattr(zone, cls.kind).append(**{field: value})
    assert len(getattr(zone, cls.kind)) == count


def test_nan_is_stored_and_read_as_nan(zone):
    flame = record_of(zone, kelvarin.Flame)
    flame.LoadX = math.nan
    assert math.isnan(flame.LoadX)


def test_fields_are_the_parameter_table_names_in_its_order():
    assert kelvarin.Unit.fields[:7] == ("UseMobInfo", "Name1", "Armour", "Weapon", "Spell", "UncnDw1", "Items")
    assert kelvarin.Object.fields[0] == "BodyTextures" and kelvarin.Object.fields[-1] == "ComplectionTall"
    assert len(kelvarin.Object.fields) == 24
    assert kelvarin.Particle3.fields == ("ID", "CoordX", "CoordY", "CoordZ", "NameStr", "UnknStr1", "UnknDw1",
                                         "UnknFloat1")
    # Keys are case-sensitive: the three spellings are three fields of three kinds.
    assert "UncnDw1" in kelvarin.Unit.fields and "UnknDw1" in kelvarin.Trap.fields
    assert "UnknDW1" in kelvarin.Particle2.fields


def test_a_field_of_another_kind_is_no_attribute(zone):
    particle = record_of(zone, kelvarin.Particle1)
    with pytest.raises(AttributeError):
        particle.ObjectID  # noqa: B018 - particles carry ID
    with pytest.raises(AttributeError):
        particle.LoadQ = 1.0


def test_raw_chunks_read_as_bytes_and_cannot_be_set(zone):
    unit = record_of(zone, kelvarin.Unit)
    assert isinstance(unit.RawChunk, bytes)
    assert all(isinstance(block, bytes) for block in unit.ExtraBlocks)
    with pytest.raises(AttributeError):
        unit.RawChunk = b""
    with pytest.raises(TypeError, match="raw data"):
        kelvarin.Unit(ExtraBlocks=[])


def test_identity_is_object_id_or_id_and_takes_the_unsigned_form(zone):
    unit, particle = record_of(zone, kelvarin.Unit), record_of(zone, kelvarin.Particle2)
    unit.identity = 2**32 - 1
    assert unit.ObjectID == -1 and unit.identity == -1
    particle.identity = 1_000_000_123
    assert particle.ID == 1_000_000_123
    with pytest.raises(ValueError, match="no 32-bit value"):
        particle.identity = 2**32


def test_a_new_record_has_empty_fields_then_those_given():
    unit = kelvarin.Unit(Name1="орк", LoadX=2.5)
    assert unit.zone is None and unit.index is None
    assert (unit.Name1, unit.LoadX, unit.ObjectID, unit.Armour, unit.RawChunk) == ("орк", 2.5, 0, [], b"")
    with pytest.raises(TypeError, match="Unit has no field 'NameStr'"):
        kelvarin.Unit(NameStr="x")
