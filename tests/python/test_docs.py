"""The README's examples run as they stand, and the type stubs name exactly what
the module has."""

import ast
import csv
import os
import re
import subprocess
import sys

import pytest

import kelvarin
from conftest import SOURCE


def readme_examples():
    text = open(os.path.join(SOURCE, "README.md"), encoding="utf-8").read()
    blocks = re.findall(r"```python\n(# (\w+\.py) .*?)```", text, re.S)
    return {name: code for code, name in blocks}


def run_example(tmp_path, name, *args):
    script = tmp_path / name
    script.write_text(readme_examples()[name], encoding="utf-8")
    return subprocess.run([sys.executable, str(script), *map(str, args)], check=True, capture_output=True,
                          text=True, env=dict(os.environ)).stdout


def test_the_readme_has_its_three_examples():
    assert sorted(readme_examples()) == ["export_csv.py", "flames_along_line.py", "renumber_ids.py"]


def test_renumber_example_moves_identities_and_the_script_follows(generated, tmp_path):
    path = generated(records=300, seed=8)
    zone = kelvarin.open(path)
    zone.script = zone.script + "\nScript Extra\n{\n  GetObjectByID(12); GetObjectByID(999);\n}\n"
    zone.save()
    inside = [(type(r), r.index) for r in zone.records() if 10 <= r.identity <= 19]
    out = run_example(tmp_path, "renumber_ids.py", path, 10, 19, 5000)
    after = kelvarin.open(path)
    assert out.strip() == f"{len(inside)} records renumbered"
    moved = [getattr(after, cls.kind)[index].identity for cls, index in inside]
    assert moved == list(range(5000, 5000 + len(inside)))
    assert "GetObjectByID(12)" not in after.script and "GetObjectByID(999)" in after.script
    assert [f for f in after.check() if f.code == "dangling-id" and "5" in f.message] == []


def test_flames_example_places_flames_on_the_line(generated, tmp_path):
    path = generated(records=300, seed=8)
    before = len(kelvarin.open(path).flames)
    run_example(tmp_path, "flames_along_line.py", path, 0, 0, 100, 50, 5)
    flames = kelvarin.open(path).flames[before:]
    assert [(f.LoadX, f.LoadY) for f in flames] == [(25.0 * i, 12.5 * i) for i in range(5)]
    assert [f.Name2 for f in flames] == [f"flame_{i}" for i in range(1, 6)]
    assert not [f for f in kelvarin.open(path).check() if f.code == "duplicate-id" and f.record in flames]


def test_csv_example_writes_one_row_per_record(generated, tmp_path):
    path = generated(records=300, seed=8)
    out = tmp_path / "units.csv"
    run_example(tmp_path, "export_csv.py", path, "units", out)
    with open(out, encoding="utf-8", newline="") as file:
        rows = list(csv.reader(file))
    units = kelvarin.open(path).units
    assert rows[0][:3] == ["UseMobInfo", "Name1", "Armour"] and "RawChunk" not in rows[0]
    assert len(rows) == 1 + len(units)
    assert [row[1] for row in rows[1:]] == units.column("Name1")
    assert [row[2] for row in rows[1:]] == [",".join(items) for items in units.column("Armour")]


def stub_classes():
    tree = ast.parse(open(os.path.join(os.path.dirname(kelvarin.__file__), "__init__.pyi"), encoding="utf-8").read())
    classes = {}
    for node in tree.body:
        if isinstance(node, ast.ClassDef):
            names = {}
            for item in node.body:
                if isinstance(item, ast.AnnAssign):
                    names[item.target.id] = "attribute"
                elif isinstance(item, ast.FunctionDef):
                    decorators = {ast.unparse(d) for d in item.decorator_list}
                    if f"{item.name}.setter" in decorators:
                        names[item.name] = "attribute"
                    else:
                        names.setdefault(item.name, "read-only" if "property" in decorators else "method")
            classes[node.name] = names
    functions = {node.name for node in tree.body if isinstance(node, ast.FunctionDef)}
    return classes, functions


def module_names(cls):
    names = {}
    for name in dir(cls):
        if name.startswith("_") or (name in ("fields", "kind") and issubclass(cls, kelvarin.Record)):
            continue
        value = getattr(cls, name)
        if isinstance(value, property):
            names[name] = "attribute" if value.fset else "read-only"
        else:
            names[name] = "method"
    return names


@pytest.mark.parametrize("name", [n for n in kelvarin.__all__ if isinstance(getattr(kelvarin, n), type)
                                  and not issubclass(getattr(kelvarin, n), Exception)])
def test_the_stubs_name_what_each_class_has(name):
    classes, _ = stub_classes()
    cls = getattr(kelvarin, name)
    if issubclass(cls, tuple):  # a named tuple: the stub's annotations are its fields
        assert tuple(classes[name]) == cls._fields
        return
    stub = dict(classes[name])
    for base in cls.__mro__[1:]:
        stub = {**classes.get(base.__name__, {}), **stub}
    class_values = ("fields", "kind") if issubclass(cls, kelvarin.Record) else ()
    stub = {k: v for k, v in stub.items() if not k.startswith("_") and k not in class_values}
    assert stub == module_names(cls)


def test_the_stubs_name_every_function_and_class():
    classes, functions = stub_classes()
    assert set(kelvarin.__all__) == (set(classes) | functions)
