#include "mob/generator.h"

#include <array>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include "common/cp1251.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// splitmix64: tiny, fast and the same on every platform.
class TRng {
 public:
  explicit TRng(std::uint64_t seed) : m_state(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return n ? std::size_t(Next() % n) : 0; }
  float Coord() { return float(Below(2000000)) / 100.0f - 10000.0f; }
  float Unit() { return float(Below(1000001)) / 1000000.0f; }
  template <class T, std::size_t N> const T& Pick(const std::array<T, N>& a) { return a[Below(N)]; }

 private:
  std::uint64_t m_state;
};

std::string Cp(const char* utf8) { return Utf8ToCp1251(utf8).value_or(std::string()); }

const std::array<const char*, 8> kUnitNames = {"orc_warrior", "goblin_archer", "Орк-воин",
                                               "Гоблин",      "troll_chief",   "Скелет",
                                               "human_guard", "Волк"};
const std::array<const char*, 8> kObjectNames = {"tree01", "stone_big", "Дом",     "fence",
                                                 "Колодец", "barrel",   "chest01", "Мост"};
const std::array<const char*, 6> kModels = {"unit/orc.mdl", "unit/goblin.mdl", "obj/tree.mdl",
                                            "obj/stone.mdl", "obj/chest.mdl",  "fx/fire.mdl"};
const std::array<const char*, 5> kTextures = {"tex_orc", "tex_bark", "tex_stone", "tex_metal",
                                              "Текстура"};
const std::array<const char*, 5> kItems = {"sword", "shield", "Зелье", "bow", "ring_of_fire"};

void FillCommon(TCommonObjFields& r, TRng& rng, std::int32_t id, const char* name) {
  r.BodyTextures.clear();
  for (std::size_t i = rng.Below(3); i > 0; --i) r.BodyTextures.push_back(Cp(rng.Pick(kTextures)));
  r.PlayerNumber = std::uint8_t(rng.Below(9));
  r.ObjectID = id;
  r.ObjectType = std::int32_t(rng.Below(40));
  r.ScriptVariableName = rng.Below(4) == 0 ? "var_" + std::to_string(id) : "";
  r.ModelName = rng.Pick(kModels);
  r.Name2 = Cp(name) + "_" + std::to_string(rng.Below(100));
  r.FirstTexture = Cp(rng.Pick(kTextures));
  r.SecondTexture = rng.Below(2) ? Cp(rng.Pick(kTextures)) : "";
  r.UnknownStr1 = "";
  r.LoadX = rng.Coord();
  r.LoadY = rng.Coord();
  r.LoadZ = float(rng.Below(5000)) / 100.0f;
  r.RotationW = 1.0f - rng.Unit() * 0.5f;
  r.RotationX = 0;
  r.RotationY = 0;
  r.RotationZ = rng.Unit() * 0.8f;
  r.IsQuestUnit = std::uint8_t(rng.Below(10) == 0);
  r.ShowShadow = std::uint8_t(rng.Below(2));
  r.UncnDw2 = std::int32_t(rng.Below(3));
  r.QuestLightStr = rng.Below(20) == 0 ? "light_quest" : "";
  r.ComplectionStrength = 0.5f + rng.Unit();
  r.ComplectionDex = 0.5f + rng.Unit();
  r.ComplectionTall = 0.8f + rng.Unit() * 0.4f;
}

Bytes TChunk(std::uint32_t id, std::size_t payload, TRng& rng) {
  Bytes b;
  b.reserve(8 + payload);
  TByteWriter w(b);
  w.U32(id);
  w.U32(std::uint32_t(8 + payload));
  for (std::size_t i = 0; i < payload; ++i) w.U8(std::uint8_t(rng.Next()));
  return b;
}

// The statements of the generated script, numbered into this table. Those with
// an object reference name records that the zone holds, so a generated zone is
// one the zone check finds nothing wrong with.
const std::array<const char*, 10> kStatements = {
    "  if (IsAlive(GetObjectByID(%d))) then",
    "    GiveItem(GetPlayer(1), \"sword\", 1);",
    "  // Проверка отряда",
    "  SleepUntil(GetWorldTime() > %d);",
    "  MoveToPoint(GetObjectByName(\"%s\"), 120.5, -33.25);",
    "  float dist = DistanceUnitUnit(GetLeader(), GetObjectByID(%d));",
    "  string name = \"Гоблин\";",
    "  KillUnit(GetObjectByID(%d));",
    "  group g = CreateParty();",
    "  SetDiplomacy(1, 2, %d);",
};

struct ScriptStatement {
  std::size_t statement;  // into kStatements
  std::size_t number;     // the %d, or which record a reference picks
};

// The script is drawn before the records (the random stream stays as it always
// was) and written once they exist, when its references can name them.
std::vector<ScriptStatement> DrawScript(TRng& rng, std::size_t lines) {
  std::vector<ScriptStatement> script(lines);
  for (auto& line : script) {
    line.statement = rng.Below(kStatements.size());
    if (std::string_view(kStatements[line.statement]).find('%') != std::string_view::npos)
      line.number = rng.Below(5000);
  }
  return script;
}

std::string WriteScript(const std::vector<ScriptStatement>& script, const TMob& mob) {
  std::vector<std::int32_t> ids;
  std::vector<const std::string*> names;  // ScriptVariableName where there is one, else the name shown
  ids.reserve(mob.TotalRecordCount());
  mob.ForEachList([&](const auto& list) {
    for (const auto& r : list) {
      ids.push_back(r.Identity());
      if constexpr (HasCommonFields(std::decay_t<decltype(r)>::Kind))
        names.push_back(r.ScriptVariableName.empty() ? &r.Name2 : &r.ScriptVariableName);
      else
        names.push_back(&r.NameStr);
    }
  });
  std::string text = Cp("DeclareScript Zone\nGlobalVars\n  float alarm;\nScript Main\n{\n");
  for (const ScriptStatement& line : script) {
    std::string statement = Cp(kStatements[line.statement]);
    const bool reference = statement.find("GetObjectBy") != std::string::npos;
    if (reference && ids.empty()) statement = "  Sleep(%d);";  // nothing to refer to
    if (const auto at = statement.find("%d"); at != std::string::npos)
      statement.replace(at, 2, std::to_string(reference && !ids.empty() ? ids[line.number % ids.size()] : std::int32_t(line.number)));
    if (const auto at = statement.find("%s"); at != std::string::npos)
      statement.replace(at, 2, *names[line.number % names.size()]);
    text += statement + "\n";
  }
  return text + "}\n";
}

}  // namespace

void GenerateZone(TMob& mob, const TGenerateOptions& options) {
  TRng rng(options.seed);
  mob.Reset();
  mob.MobKind = rng.Below(2) ? "ZonalMob" : "QuestMob";

  // Main block: unknown, script, unknown, objects.
  mob.BlockCount = 5;
  const auto unknownBlock = [&](std::int32_t number, std::uint32_t type, std::size_t payload) {
    Bytes data = TChunk(type, payload, rng);
    mob.UnknownBlocks.push_back(SUnknBlock{data.size(), number, std::move(data)});
  };
  unknownBlock(2, 0x0000E001, 64);
  unknownBlock(4, 0x0000F00F, 16);
  mob.HasScript = true;
  mob.ScriptKey = kDefaultScriptKey;
  const std::vector<ScriptStatement> script = DrawScript(rng, options.scriptLines);
  mob.HasObjects = true;

  // Kinds in realistic proportions; every kind present once there are 8 records.
  static constexpr std::array<std::size_t, kObjKindCount> kShare = {40, 30, 5, 5, 5, 5, 5, 5};
  std::array<std::size_t, kObjKindCount> counts{};
  std::size_t assigned = 0;
  for (int k = 0; k < kObjKindCount; ++k) {
    counts[k] = options.records * kShare[k] / 100;
    if (counts[k] == 0 && assigned < options.records) counts[k] = 1;
    assigned += counts[k];
  }
  if (assigned < options.records) counts[0] += options.records - assigned;
  while (assigned > options.records) {  // tiny zones: trim from the largest shares
    for (int k = 0; k < kObjKindCount && assigned > options.records; ++k)
      if (counts[k] > 0) --counts[k], --assigned;
  }

  std::int32_t nextId = 1;
  // One record in fifty carries an identity from the high range. No two records
  // share one: a drawn identity already given moves on to the next free one.
  std::unordered_set<std::int32_t> highGiven;
  const auto identity = [&] {
    if (rng.Below(50) != 0) return nextId++;
    auto id = std::int32_t(kHighIdentityRange + rng.Below(1000000));
    while (!highGiven.insert(id).second) ++id;
    return id;
  };

  mob.Units.resize(counts[0]);
  for (auto& u : mob.Units) {
    const char* name = rng.Pick(kUnitNames);
    FillCommon(u, rng, identity(), name);
    u.UseMobInfo = std::uint8_t(rng.Below(2));
    u.Name1 = Cp(name);
    for (std::size_t i = rng.Below(3); i > 0; --i) u.Armour.push_back(Cp(rng.Pick(kItems)));
    for (std::size_t i = rng.Below(3); i > 0; --i) u.Weapon.push_back(Cp(rng.Pick(kItems)));
    for (std::size_t i = rng.Below(2); i > 0; --i) u.Spell.push_back("spell_" + std::to_string(rng.Below(30)));
    u.UncnDw1 = std::int32_t(rng.Below(100));
    for (std::size_t i = rng.Below(4); i > 0; --i) u.Items.push_back(Cp(rng.Pick(kItems)));
    if (rng.Below(10) == 0) u.RawChunk = TChunk(0xBBBB0004, 12, rng);
    for (std::size_t i = rng.Below(15) == 0 ? 2 : 0; i > 0; --i)
      u.ExtraBlocks.push_back(TChunk(0xBBBC0000, 4 + rng.Below(20), rng));
  }
  mob.Objects.resize(counts[1]);
  for (auto& o : mob.Objects) FillCommon(o, rng, identity(), rng.Pick(kObjectNames));
  mob.Levers.resize(counts[2]);
  for (auto& l : mob.Levers) {
    FillCommon(l, rng, identity(), "lever");
    l.AsOpen = std::int32_t(rng.Below(2));
    l.Key = std::int32_t(rng.Below(20));
    l.Sleigth = std::int32_t(rng.Below(5));
    l.UncnByte2 = std::uint8_t(rng.Below(256));
    l.UncnByte3 = std::uint8_t(rng.Below(256));
  }
  mob.Traps.resize(counts[3]);
  for (auto& t : mob.Traps) {
    FillCommon(t, rng, identity(), "trap");
    t.UnknDw1 = std::int32_t(rng.Below(1000));
    t.MagicStr = "fireball";
    t.UnknDw2 = std::int32_t(rng.Below(10));
    t.UnknByte1 = std::uint8_t(rng.Below(2));
    for (std::size_t i = rng.Below(4); i > 0; --i)
      t.TrapPoints1.push_back({std::uint32_t(rng.Next()), std::uint32_t(rng.Next()), std::uint32_t(rng.Next())});
    for (std::size_t i = rng.Below(3); i > 0; --i)
      t.TrapPoints2.push_back({std::uint32_t(rng.Next()), std::uint32_t(rng.Next())});
  }
  mob.Flames.resize(counts[4]);
  for (auto& f : mob.Flames) {
    FillCommon(f, rng, identity(), "flame");
    f.CoordX = f.LoadX;
    f.CoordY = f.LoadY;
    f.CoordZ = f.LoadZ + 1.5f;
    f.FlameSize = 0.5f + rng.Unit() * 3;
    f.SoundStr = rng.Below(2) ? "fire_loop.wav" : "";
  }
  mob.Particles1.resize(counts[5]);
  for (auto& p : mob.Particles1) {
    p.ID = identity();
    p.UnknByte1 = std::uint8_t(rng.Below(3));
    p.CoordX = rng.Coord();
    p.CoordY = rng.Coord();
    p.CoordZ = float(rng.Below(3000)) / 100.0f;
    p.ColorR = rng.Unit();
    p.ColorG = rng.Unit();
    p.ColorB = rng.Unit();
    p.ParticleSize = 0.1f + rng.Unit();
    p.NameStr = "smoke_" + std::to_string(rng.Below(10));
  }
  mob.Particles2.resize(counts[6]);
  for (auto& p : mob.Particles2) {
    for (std::size_t i = rng.Below(3); i > 0; --i) p.SoundStr_s.push_back("snd_" + std::to_string(rng.Below(9)));
    p.ID = identity();
    p.CoordX = rng.Coord();
    p.CoordY = rng.Coord();
    p.CoordZ = float(rng.Below(3000)) / 100.0f;
    p.UnknDW1 = std::int32_t(rng.Below(100));
    p.NameStr = Cp("Искры");
    p.UnknDW3 = std::int32_t(rng.Below(7));
    p.UnknByte2 = 1;
  }
  mob.Particles3.resize(counts[7]);
  for (auto& p : mob.Particles3) {
    p.ID = identity();
    p.CoordX = rng.Coord();
    p.CoordY = rng.Coord();
    p.NameStr = "fog";
    p.UnknStr1 = rng.Below(2) ? "dense" : "";
    p.UnknDw1 = std::int32_t(rng.Below(4));
    p.UnknFloat1 = rng.Unit();
  }
  mob.UnknownObjectBlocks.push_back({24, TChunk(0x0000EE01, 16, rng)});
  mob.UnknownObjectBlocks.push_back({12, TChunk(0x12345678, 4, rng)});

  mob.ScriptText = WriteScript(script, mob);

  mob.Tail = TChunk(0x00000000, 5, rng);
  mob.TailLength = std::int64_t(mob.Tail.size());
  mob.Loaded = true;
  mob.LogText.clear();
}

}  // namespace kelvarin
