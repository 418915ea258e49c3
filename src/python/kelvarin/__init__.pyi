# Type stubs of the kelvarin package, for editors that complete names and for type
# checkers. The tests hold them to the module: every name, every field.
from collections.abc import Iterable, Iterator, MutableSequence, Sequence
from os import PathLike
from typing import Any, ClassVar, Generic, NamedTuple, TypeVar, overload

_R = TypeVar("_R", bound="Record")
_Path = str | PathLike[str]

class LoadError(Exception):
    """A file that does not load; the message holds the loader's lines."""

document: Zone | None
"""Inside the editor (Сервис > "Выполнить сценарий Python..."), the open zone while
the script runs; its changes become one step the editor can undo. save(),
mass_change() and assigning script or script_key raise there. None elsewhere."""

def open(path: _Path) -> Zone:
    """Reads the zone of a .mob file; LoadError when it does not load."""

def diff(a: Zone | _Path, b: Zone | _Path) -> Diff:
    """What changed from a to b, each a Zone (as edited) or the path of a .mob file.

    LoadError when a path does not load; OSError with the reason when a file
    changed while it was compared."""

class Record:
    """A placed object: one record of a zone's list, or a detached one of its own."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    @property
    def index(self) -> int | None: ...
    @property
    def zone(self) -> Zone | None: ...
    identity: int
    def copy(self: _R) -> _R: ...
    def to_dict(self) -> dict[str, Any]: ...
    def __copy__(self: _R) -> _R: ...
    def __deepcopy__(self: _R, memo: Any) -> _R: ...
    def __eq__(self, other: object) -> bool: ...

class Unit(Record):
    """A unit (the zone's units)."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    def __init__(self, **fields: Any) -> None: ...
    UseMobInfo: int
    Name1: str
    Armour: list[str]
    Weapon: list[str]
    Spell: list[str]
    UncnDw1: int
    Items: list[str]
    @property
    def RawChunk(self) -> bytes: ...
    @property
    def ExtraBlocks(self) -> list[bytes]: ...
    BodyTextures: list[str]
    PlayerNumber: int
    ObjectID: int
    ObjectType: int
    ScriptVariableName: str
    ModelName: str
    Name2: str
    FirstTexture: str
    SecondTexture: str
    UnknownStr1: str
    LoadX: float
    LoadY: float
    LoadZ: float
    RotationW: float
    RotationX: float
    RotationY: float
    RotationZ: float
    IsQuestUnit: int
    ShowShadow: int
    UncnDw2: int
    QuestLightStr: str
    ComplectionStrength: float
    ComplectionDex: float
    ComplectionTall: float

class Object(Record):
    """A plain placed object (the zone's objects)."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    def __init__(self, **fields: Any) -> None: ...
    BodyTextures: list[str]
    PlayerNumber: int
    ObjectID: int
    ObjectType: int
    ScriptVariableName: str
    ModelName: str
    Name2: str
    FirstTexture: str
    SecondTexture: str
    UnknownStr1: str
    LoadX: float
    LoadY: float
    LoadZ: float
    RotationW: float
    RotationX: float
    RotationY: float
    RotationZ: float
    IsQuestUnit: int
    ShowShadow: int
    UncnDw2: int
    QuestLightStr: str
    ComplectionStrength: float
    ComplectionDex: float
    ComplectionTall: float

class Lever(Record):
    """A lever (the zone's levers)."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    def __init__(self, **fields: Any) -> None: ...
    AsOpen: int
    Key: int
    Sleigth: int
    UncnByte2: int
    UncnByte3: int
    UncnByte4: int
    UncnByte5: int
    UncnByte6: int
    BodyTextures: list[str]
    PlayerNumber: int
    ObjectID: int
    ObjectType: int
    ScriptVariableName: str
    ModelName: str
    Name2: str
    FirstTexture: str
    SecondTexture: str
    UnknownStr1: str
    LoadX: float
    LoadY: float
    LoadZ: float
    RotationW: float
    RotationX: float
    RotationY: float
    RotationZ: float
    IsQuestUnit: int
    ShowShadow: int
    UncnDw2: int
    QuestLightStr: str
    ComplectionStrength: float
    ComplectionDex: float
    ComplectionTall: float

class Trap(Record):
    """A trap (the zone's traps). TrapPoints1 and TrapPoints2 hold raw 32-bit values, three and two per point."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    def __init__(self, **fields: Any) -> None: ...
    UnknDw1: int
    MagicStr: str
    UnknDw2: int
    UnknByte1: int
    TrapPoints1: list[tuple[int, int, int]]
    TrapPoints2: list[tuple[int, int]]
    BodyTextures: list[str]
    PlayerNumber: int
    ObjectID: int
    ObjectType: int
    ScriptVariableName: str
    ModelName: str
    Name2: str
    FirstTexture: str
    SecondTexture: str
    UnknownStr1: str
    LoadX: float
    LoadY: float
    LoadZ: float
    RotationW: float
    RotationX: float
    RotationY: float
    RotationZ: float
    IsQuestUnit: int
    ShowShadow: int
    UncnDw2: int
    QuestLightStr: str
    ComplectionStrength: float
    ComplectionDex: float
    ComplectionTall: float

class Flame(Record):
    """A flame (the zone's flames)."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    def __init__(self, **fields: Any) -> None: ...
    CoordX: float
    CoordY: float
    CoordZ: float
    FlameSize: float
    SoundStr: str
    BodyTextures: list[str]
    PlayerNumber: int
    ObjectID: int
    ObjectType: int
    ScriptVariableName: str
    ModelName: str
    Name2: str
    FirstTexture: str
    SecondTexture: str
    UnknownStr1: str
    LoadX: float
    LoadY: float
    LoadZ: float
    RotationW: float
    RotationX: float
    RotationY: float
    RotationZ: float
    IsQuestUnit: int
    ShowShadow: int
    UncnDw2: int
    QuestLightStr: str
    ComplectionStrength: float
    ComplectionDex: float
    ComplectionTall: float

class Particle1(Record):
    """A particle emitter of type 1 (the zone's particles1)."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    def __init__(self, **fields: Any) -> None: ...
    ID: int
    UnknByte1: int
    CoordX: float
    CoordY: float
    CoordZ: float
    ColorR: float
    ColorG: float
    ColorB: float
    ParticleSize: float
    NameStr: str
    UnknStr1: str

class Particle2(Record):
    """A particle emitter of type 2 (the zone's particles2)."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    def __init__(self, **fields: Any) -> None: ...
    SoundStr_s: list[str]
    ID: int
    CoordX: float
    CoordY: float
    CoordZ: float
    UnknDW1: int
    UnknDW2: int
    NameStr: str
    UnknStr1: str
    UnknDW3: int
    UnknDW4: int
    UnknByte1: int
    UnknByte2: int

class Particle3(Record):
    """A particle emitter of type 3 (the zone's particles3)."""

    fields: ClassVar[tuple[str, ...]]
    kind: ClassVar[str]
    def __init__(self, **fields: Any) -> None: ...
    ID: int
    CoordX: float
    CoordY: float
    CoordZ: float
    NameStr: str
    UnknStr1: str
    UnknDw1: int
    UnknFloat1: float

class RecordList(MutableSequence[_R], Generic[_R]):
    """One of the eight record lists of a zone, as a mutable sequence of records."""

    @property
    def kind(self) -> str: ...
    @property
    def record_class(self) -> type[_R]: ...
    def __len__(self) -> int: ...
    @overload
    def __getitem__(self, index: int) -> _R: ...
    @overload
    def __getitem__(self, index: slice) -> list[_R]: ...
    def __setitem__(self, index: int, record: _R) -> None: ...  # type: ignore[override]
    def __delitem__(self, index: int | slice) -> None: ...
    def __iter__(self) -> Iterator[_R]: ...
    def __contains__(self, record: object) -> bool: ...
    def insert(self, index: int, record: _R | None = None, **fields: Any) -> _R: ...  # type: ignore[override]
    def append(self, record: _R | None = None, **fields: Any) -> _R: ...  # type: ignore[override]
    def extend(self, records: Iterable[_R]) -> None: ...
    def pop(self, index: int = -1) -> _R: ...
    def remove(self, record: _R) -> None: ...
    def index(self, record: _R) -> int: ...  # type: ignore[override]
    def clear(self) -> None: ...
    def column(self, name: str) -> list[Any]: ...
    def set_column(self, name: str, values: Sequence[Any]) -> None: ...

class Finding:
    """One finding of the zone check."""

    @property
    def severity(self) -> str: ...
    @property
    def code(self) -> str: ...
    @property
    def message(self) -> str: ...
    @property
    def line(self) -> int | None: ...
    @property
    def column(self) -> int | None: ...
    @property
    def record(self) -> Record | None: ...
    @property
    def omitted(self) -> int: ...

class Zone:
    """A zone: its script, its eight record lists and the blocks carried through unchanged."""

    def __init__(self) -> None: ...
    @property
    def units(self) -> RecordList[Unit]: ...
    @property
    def objects(self) -> RecordList[Object]: ...
    @property
    def levers(self) -> RecordList[Lever]: ...
    @property
    def traps(self) -> RecordList[Trap]: ...
    @property
    def flames(self) -> RecordList[Flame]: ...
    @property
    def particles1(self) -> RecordList[Particle1]: ...
    @property
    def particles2(self) -> RecordList[Particle2]: ...
    @property
    def particles3(self) -> RecordList[Particle3]: ...
    @property
    def path(self) -> str | None: ...
    @property
    def mob_kind(self) -> str: ...
    @property
    def flags(self) -> bytes: ...
    @property
    def has_script(self) -> bool: ...
    @property
    def has_objects(self) -> bool: ...
    @property
    def script(self) -> str | None: ...
    @script.setter
    def script(self, text: str) -> None: ...
    script_key: int
    @property
    def unknown_blocks(self) -> list[tuple[int, bytes]]: ...
    @property
    def unknown_object_blocks(self) -> list[bytes]: ...
    @property
    def tail(self) -> bytes: ...
    def records(self) -> Iterator[Record]: ...
    def save(self, path: _Path | None = None) -> None: ...
    def check(self) -> list[Finding]: ...
    def mass_change(self, options: dict[str, bool | str | int | float]) -> dict[str, Any]: ...
    def free_id(self) -> int | None: ...
    def find(self, *, id: int | None = None, name: str | None = None) -> list[Record]: ...
    def copy(self, record: _R, replace: bool = True) -> _R: ...

class FieldChange(NamedTuple):
    """A field that changed: its name, its value in a and its value in b."""

    field: str
    a: Any
    b: Any

class RecordDiff:
    """A record that differs, found by its kind and identity."""

    @property
    def kind(self) -> str: ...
    @property
    def id(self) -> int: ...
    @property
    def occurrence(self) -> int: ...
    @property
    def change(self) -> str: ...
    @property
    def moved(self) -> bool: ...
    @property
    def index_a(self) -> int | None: ...
    @property
    def index_b(self) -> int | None: ...
    @property
    def fields(self) -> list[FieldChange]: ...

class BlockDiff:
    """A block that differs, compared by its bytes."""

    @property
    def block(self) -> str: ...
    @property
    def index(self) -> int | None: ...
    @property
    def a(self) -> dict[str, int] | None: ...
    @property
    def b(self) -> dict[str, int] | None: ...
    @property
    def first_difference(self) -> int | None: ...

class Hunk:
    """A stretch of the script that differs, with its lines of context."""

    @property
    def a_start(self) -> int: ...
    @property
    def a_lines(self) -> int: ...
    @property
    def b_start(self) -> int: ...
    @property
    def b_lines(self) -> int: ...
    @property
    def lines(self) -> list[str]: ...

class ScriptDiff:
    """How the deciphered scripts differ."""

    @property
    def a(self) -> dict[str, int] | None: ...
    @property
    def b(self) -> dict[str, int] | None: ...
    @property
    def hunks(self) -> list[Hunk]: ...
    @property
    def text(self) -> str: ...

class Diff:
    """What changed from zone a to zone b; true when they differ."""

    @property
    def a(self) -> str | None: ...
    @property
    def b(self) -> str | None: ...
    @property
    def same(self) -> bool: ...
    @property
    def layout_differs(self) -> bool: ...
    @property
    def blocks(self) -> list[BlockDiff]: ...
    @property
    def records(self) -> list[RecordDiff]: ...
    @property
    def script(self) -> ScriptDiff: ...
    def __bool__(self) -> bool: ...
