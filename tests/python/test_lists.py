"""The record lists as sequences: records added as copies, removed, followed by the
records scripts hold, copied between zones by the identity rules."""

import collections.abc
import struct

import pytest

import kelvarin
from conftest import script_block, with_identities, zone_file


@pytest.fixture
def zone(generated):
    return kelvarin.open(generated(records=300, seed=2))


def identities(records):
    return [record.identity for record in records]


def test_lists_are_mutable_sequences_of_their_kind(zone):
    for kind, cls in [("units", kelvarin.Unit), ("objects", kelvarin.Object), ("levers", kelvarin.Lever),
                      ("traps", kelvarin.Trap), ("flames", kelvarin.Flame), ("particles1", kelvarin.Particle1),
                      ("particles2", kelvarin.Particle2), ("particles3", kelvarin.Particle3)]:
        records = getattr(zone, kind)
        assert isinstance(records, collections.abc.MutableSequence)
        assert records.kind == kind and records.record_class is cls
        assert len(records) > 0 and all(type(r) is cls for r in records)
        assert records[-1].index == len(records) - 1
        assert [r.index for r in records[1:4]] == [1, 2, 3]
    assert sum(len(getattr(zone, k)) for k in ("units", "objects", "levers", "traps", "flames", "particles1",
                                               "particles2", "particles3")) == 300
    assert len(list(zone.records())) == 300
    with pytest.raises(IndexError):
        zone.units[len(zone.units)]


def test_appended_records_are_copies_and_new_ones_take_their_fields(zone, generated):
    other = kelvarin.open(generated(records=300, seed=9))
    source = other.units[0]
    copy = zone.units.append(source)
    assert copy == source and copy.index == len(zone.units) - 1 and copy.zone is zone
    copy.Name1 = "другой"
    assert source.Name1 != "другой"

    made = zone.flames.insert(0, ObjectID=77, Name2="факел", LoadX=1.5)
    assert zone.flames[0] == made and (made.ObjectID, made.Name2, made.LoadX, made.FlameSize) == (77, "факел", 1.5, 0.0)
    with pytest.raises(TypeError, match="the units take Unit records, not Flame"):
        zone.units.append(made)

    # Copies go through the file form and equal their source field for field.
    detached = kelvarin.Trap(TrapPoints1=[(1, 2, 3)], MagicStr="м")
    assert zone.traps.append(detached) == detached


def test_held_records_follow_insertions_and_removals(zone):
    held = [zone.objects[i] for i in range(4)]
    names = [r.Name2 for r in held]
    zone.objects.insert(0, Name2="первый")
    assert [r.index for r in held] == [1, 2, 3, 4]
    del zone.objects[2]  # held[1] leaves the zone
    assert [r.index for r in held] == [1, None, 2, 3]
    assert held[1].zone is None and held[1].Name2 == names[1]  # detached, whole
    assert [r.Name2 for r in held] == names

    # A detached record can be changed and put back, into this zone or another.
    held[1].Name2 = "вернулся"
    back = zone.objects.append(held[1])
    assert back.Name2 == "вернулся" and held[1].index is None


def test_removal_by_slice_pop_remove_and_replacement(zone):
    before = identities(zone.levers)
    held = zone.levers[1]
    del zone.levers[0:3:2]
    assert identities(zone.levers) == before[1:2] + before[3:]
    assert held.index == 0

    popped = zone.levers.pop()
    assert popped.index is None and popped.identity == before[-1]

    zone.levers.remove(held)
    assert held.index is None and identities(zone.levers) == before[3:-1]

    old = zone.levers[0]
    zone.levers[0] = kelvarin.Lever(ObjectID=5)
    assert zone.levers[0].ObjectID == 5 and old.index is None and old.identity == before[3]

    zone.levers.extend(zone.levers)  # each record once more, not forever
    assert len(zone.levers) == 2 * (len(before) - 4)
    zone.levers.clear()
    assert len(zone.levers) == 0


def test_index_and_membership_look_for_the_record_or_an_equal_one(zone):
    third = zone.particles3[2]
    assert zone.particles3.index(third) == 2 and third in zone.particles3
    assert zone.particles3.index(third.copy()) == 2
    assert kelvarin.Particle3(NameStr="нигде") not in zone.particles3
    with pytest.raises(ValueError):
        zone.particles3.index(kelvarin.Particle3(NameStr="нигде"))


# Identities in the target zone as (kind, id), the record copied, replace, then the
# identity the copy gets and the identities left of what the target held.
COPY_RULES = [
    # A trap and a particle share the copy's identity 7 in the target.
    ([("traps", 7), ("particles1", 7), ("units", 1)], ("units", 7), True, 7, [1]),
    ([("traps", 7), ("particles1", 7), ("units", 1)], ("units", 7), False, 2, [1, 7, 7]),
    # The high range always replaces.
    ([("flames", 1_000_000_000), ("units", 1)], ("objects", 1_000_000_000), False, 1_000_000_000, [1]),
    # A free identity is kept whatever replace says.
    ([("units", 1)], ("levers", 9), False, 9, [1]),
]


@pytest.mark.parametrize("held,copied,replace,identity,left", COPY_RULES)
def test_copy_between_zones_follows_the_identity_rules(held, copied, replace, identity, left):
    target = with_identities(kelvarin.Zone(), held)
    source = with_identities(kelvarin.Zone(), [copied])
    record = getattr(source, copied[0])[0]
    copy = target.copy(record, replace=replace)
    assert copy.identity == identity and copy == getattr(target, copied[0])[-1]
    others = [r for r in target.records() if not (type(r) is type(copy) and r.index == copy.index)]
    assert sorted(identities(others)) == sorted(left)
    assert record.identity == copied[1]  # the source keeps its own


def test_free_identity_and_find_follow_the_format():
    zone = with_identities(kelvarin.Zone(), [("units", 1), ("particles2", 2), ("flames", 4), ("objects", 2_000_000_000)])
    assert zone.free_id() == 3
    assert kelvarin.Zone().free_id() == 1
    assert identities(zone.find(id=2)) == [2] and type(zone.find(id=2)[0]) is kelvarin.Particle2
    assert zone.find(id=5) == []
    zone.units[0].ScriptVariableName = "guard"
    zone.flames[0].Name2 = "guard"
    assert [type(r) for r in zone.find(name="guard")] == [kelvarin.Unit, kelvarin.Flame]
    assert zone.find(name="") == []
    with pytest.raises(TypeError):
        zone.find()


def test_a_zone_without_an_object_block_takes_no_records(tmp_path):
    zone = kelvarin.open(zone_file(tmp_path / "scriptonly.mob", [script_block(b"x")]))
    assert not zone.has_objects and zone.script == "x"
    with pytest.raises(ValueError, match="no object block"):
        zone.units.append()
    with pytest.raises(ValueError, match="no object block"):
        zone.copy(kelvarin.Unit())
    assert len(zone.units) == 0


def test_a_record_whose_list_a_mass_change_compacted_says_so(zone):
    held, flame = zone.units[3], zone.flames[0]
    zone.mass_change({"MC_KR_Type_UnitCB_ini": True, "MC_AS_Obj_DelRB_ini": True, "MC_AS_Obj_OnlyParamsRB_ini": False})
    assert len(zone.units) == 0
    with pytest.raises(RuntimeError, match="mass change"):
        held.Name1  # noqa: B018
    assert flame.index == 0 and flame.Name2 == zone.flames[0].Name2  # other kinds are untouched


def test_set_column_writes_every_record_or_none(zone):
    units = zone.units
    before = units.column("LoadX")
    units.set_column("LoadX", [x + 1.0 for x in before])
    assert units.column("LoadX") == [x + 1.0 for x in before]
    players = units.column("PlayerNumber")
    for values, error in [
        ([0] * (len(units) - 1), ValueError),              # one value short
        ([0] * (len(units) - 1) + [256], ValueError),     # the last does not fit a byte
        ([0] * (len(units) - 1) + ["x"], TypeError),
    ]:
        with pytest.raises(error):
            units.set_column("PlayerNumber", values)
        assert units.column("PlayerNumber") == players
    with pytest.raises(ValueError):
        units.set_column("NoSuchField", [])
