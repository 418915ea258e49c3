"""What a zone offers besides its lists: the script, the zone check and mass
changes with the options file's keys."""

import pytest

import kelvarin
from conftest import with_identities


def test_the_script_is_text_and_refuses_what_1251_cannot_hold(generated):
    zone = kelvarin.open(generated(records=50))
    assert "Script" in zone.script
    zone.script = "Script Main\r\n{\r\n  // «тест»\r\n}\r\n"
    assert zone.script == "Script Main\r\n{\r\n  // «тест»\r\n}\r\n"
    with pytest.raises(ValueError, match="U\\+2603"):
        zone.script = "☃"
    assert zone.script.startswith("Script Main")
    zone.script_key = -1
    assert zone.script_key == 2**32 - 1
    with pytest.raises(ValueError):
        zone.script_key = 2**32


def test_check_finds_records_and_script_places():
    zone = with_identities(kelvarin.Zone(), [("units", 5), ("flames", 5)])
    for record in zone.records():
        record.RotationW = 1.0
    zone.script = "Script Main\n{\n  GetObjectByID(6);\n}\n"
    findings = zone.check()
    assert [(f.severity, f.code) for f in findings] == [("error", "dangling-id"), ("error", "duplicate-id")]
    script, record = findings
    assert (script.line, script.column, script.record) == (3, 3, None)
    assert record.record == zone.flames[0] and record.record.index == 0 and record.line is None
    assert "5" in record.message
    assert script.omitted == 0


def test_check_sums_up_repeated_findings_at_one_place():
    zone = kelvarin.Zone()
    zone.script = ")" * 30
    findings = zone.check()
    assert len(findings) == 11
    assert findings[-1].omitted == 20 and findings[-1].message == "… и ещё 20 таких же"
    assert sum(f.omitted or 1 for f in findings) == 30


def options(**keys):
    """Mass-change options by the options file's keys, given without their "_ini"."""
    return {key + "_ini": value for key, value in keys.items()}


def test_mass_change_changes_the_zone_in_memory(generated):
    zone = kelvarin.open(generated(records=400, seed=3))
    players = zone.units.column("PlayerNumber")
    held = zone.units[1]
    result = zone.mass_change(options(MC_KR_Type_UnitCB=True, MC_KR_Param_PlayerNumberCB=True,
                                      MC_KR_Param_PlayerNumberEd=players[1], MC_AS_Params_Name2CB=True,
                                      MC_AS_Params_Name2Ed="отобран", MC_AS_Params_OffsetCB=True,
                                      MC_AS_Params_OffsetXEd=10, MC_AS_Params_OffsetYEd="-2.5"))
    picked = [u for u in zone.units if u.PlayerNumber == players[1]]
    assert result["selected"]["units"] == len(picked) and result["changed"] == len(picked)
    assert result["summary"].startswith("Итог: отобрано")
    assert all(u.Name2 == "отобран" for u in picked) and held.Name2 == "отобран"


def test_mass_change_copies_into_the_target_file_and_saves_only_it(generated, tmp_path):
    zone = kelvarin.open(generated(records=300, seed=1))
    target_path = generated(records=300, seed=2)
    flames = len(zone.flames)
    before = [f.to_dict() for f in zone.flames]
    result = zone.mass_change(options(MC_KR_Type_FlameCB=True, MC_AS_Obj_CopyRB=True, MC_AS_Obj_OnlyParamsRB=False,
                                      MC_AS_Obj_TargetMobEd=target_path, MC_AS_Params_Model3dCB=True,
                                      MC_AS_Params_Model3dEd="torch.mdl"))
    assert result["copied"] == flames
    assert [f.to_dict() for f in zone.flames] == before  # a copy leaves the zone itself as it was
    target = kelvarin.open(target_path)
    assert sum(f.ModelName == "torch.mdl" for f in target.flames) == flames


@pytest.mark.parametrize("given,error,words", [
    (options(MC_KR_Type_UnitCB="yes"), TypeError, "expected True or False"),
    ({"MC_KR_Type_UnitCB": True}, ValueError, "no key of the mass-change options"),
    (options(MC_KR_Coords_KrugCB=True, MC_KR_Coords_Krug_XEd="1e5", MC_KR_Coords_Krug_YEd="0",
             MC_KR_Coords_Krug_RadEd="1"), ValueError, "MC_KR_Coords_Krug_XEd"),
    (options(MC_AS_Obj_MoveRB=True, MC_AS_Obj_OnlyParamsRB=False, MC_AS_Obj_TargetMobEd="/no/such.mob"),
     ValueError, "/no/such.mob не существует"),
    (options(MC_AS_Params_Name2Ed="中"), ValueError, "code page 1251"),
])
def test_mass_change_options_that_cannot_run_change_nothing(generated, given, error, words):
    zone = kelvarin.open(generated(records=100))
    before = [r.to_dict() for r in zone.records()]
    with pytest.raises(error, match=words):
        zone.mass_change(given)
    assert [r.to_dict() for r in zone.records()] == before
