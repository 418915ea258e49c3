"""Shared helpers of the module's tests: zones made by kelvarin-cli generate, and
small zones written byte by byte."""

import os
import struct
import subprocess

import pytest

import kelvarin

CLI = os.environ.get("KELVARIN_CLI", "kelvarin-cli")
SOURCE = os.environ.get("KELVARIN_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))


@pytest.fixture(scope="session")
def _generated_zones(tmp_path_factory):
    folder = tmp_path_factory.mktemp("generated")
    zones = {}

    def make(records, seed):
        if (records, seed) not in zones:
            path = folder / f"generated-{records}-{seed}.mob"
            subprocess.run([CLI, "generate", str(path), "--records", str(records), "--seed", str(seed)], check=True)
            zones[records, seed] = path.read_bytes()
        return zones[records, seed]

    return make


@pytest.fixture
def generated(tmp_path, _generated_zones):
    """generated(records, seed) -> the path of a synthetic zone holding every kind, a
    file of the test's own."""

    def make(records=300, seed=1):
        path = tmp_path / f"generated-{records}-{seed}.mob"
        path.write_bytes(_generated_zones(records, seed))
        return path

    return make


def zone_file(path, blocks, kind=0xD000, tail=b""):
    """Writes a zone of the given blocks (each whole, header included) after the flag block."""
    body = b"".join(blocks)
    path.write_bytes(struct.pack("<IIII", 0xA000, 16 + len(body), kind, 8) + body + tail)
    return path


def script_block(text=b"", key=0):
    return struct.pack("<III", 0xACCEECCB, 12 + len(text), key) + text


def with_identities(zone, ids):
    """Puts one record per (kind, id) into the zone, in that order."""
    for kind, identity in ids:
        records = getattr(zone, kind)
        key = "ID" if kind.startswith("particles") else "ObjectID"
        records.append(**{key: identity})
    return zone
