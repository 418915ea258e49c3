#include "script/core/zonescriptkeywords.h"

namespace kelvarin {
namespace {

constexpr TtkTokenKind kKey = TtkTokenKind::tkKey;
constexpr TtkTokenKind kType = TtkTokenKind::tkDateTypes;
constexpr TtkTokenKind kFn = TtkTokenKind::tkFunctions;

constexpr TZoneScriptKeyword kKeywords[] = {
    {"ActivateTrap", kFn}, {"Add", kFn}, {"AddLoot", kFn}, {"AddMob", kFn}, {"AddObject", kFn},
    {"AddRectToArea", kFn}, {"AddRoundToArea", kFn}, {"AddUnitToParty", kFn},
    {"AddUnitToServer", kFn}, {"AddUnitUnderControl", kFn}, {"AlarmPosX", kFn},
    {"AlarmPosY", kFn}, {"AlarmTime", kFn}, {"Any", kFn}, {"AttachParticles", kFn},
    {"AttachParticleSource", kFn}, {"Attack", kFn}, {"BlockUnit", kFn}, {"Cast", kFn},
    {"CastSpellPoint", kFn}, {"CastSpellUnit", kFn}, {"ConsoleFloat", kFn},
    {"ConsoleString", kFn}, {"CopyItems", kFn}, {"CopyLoot", kFn}, {"CopyStats", kFn},
    {"Crawl", kFn}, {"CreateFX", kFn}, {"CreateFXSource", kFn}, {"CreateLightning", kFn},
    {"CreateParticleSource", kFn}, {"CreateParty", kFn}, {"CreatePointLight", kFn},
    {"CreateRandomizedFXSource", kFn}, {"DeclareScript", kKey}, {"DeleteArea", kFn},
    {"DeleteFXSource", kFn}, {"DeleteLightning", kFn}, {"DeleteParticleSource", kFn},
    {"DeletePointLight", kFn}, {"DistanceUnitPoint", kFn}, {"DistanceUnitUnit", kFn},
    {"Div", kFn}, {"EnableLever", kFn}, {"EraseQuestItem", kFn}, {"Every", kFn},
    {"FixItems", kFn}, {"FixWorldTime", kFn}, {"float", kType}, {"Follow", kFn}, {"For", kKey},
    {"GetAIClass", kFn}, {"GetBSZValue", kFn}, {"GetDiplomacy", kFn}, {"GetFutureX", kFn},
    {"GetFutureY", kFn}, {"GetLeader", kFn}, {"GetLeverState", kFn},
    {"GetLootItemsCount", kFn}, {"GetMercsNumber", kFn}, {"GetMoney", kFn}, {"GetObject", kFn},
    {"GetObjectByID", kFn}, {"GetObjectByName", kFn}, {"GetObjectID", kFn}, {"GetPlayer", kFn},
    {"GetPlayerUnits", kFn}, {"GetUnitOfPlayer", kFn}, {"GetWorldTime", kFn}, {"GetX", kFn},
    {"GetY", kFn}, {"GetZ", kFn}, {"GetZValue", kFn}, {"GiveDexterity", kFn},
    {"GiveIntelligence", kFn}, {"GiveItem", kFn}, {"GiveMoney", kFn}, {"GiveQuestItem", kFn},
    {"GiveSkill", kFn}, {"GiveStrength", kFn}, {"GiveUnitQuestItem", kFn},
    {"GiveUnitSpell", kFn}, {"GlobalVars", kKey}, {"GodMode", kFn}, {"group", kType},
    {"GroupAdd", kFn}, {"GroupCross", kFn}, {"GroupHas", kFn}, {"GroupSee", kFn},
    {"GroupSize", kFn}, {"GroupSub", kFn}, {"GSDelVar", kFn}, {"GSGetVar", kFn},
    {"GSSetVar", kFn}, {"GSSetVarMax", kFn}, {"Guard", kFn}, {"HaveItem", kFn},
    {"HideObject", kFn}, {"HP", kFn}, {"Idle", kFn}, {"if", kKey}, {"InflictDamage", kFn},
    {"InvokeAlarm", kFn}, {"IsAlarm", kFn}, {"IsAlive", kFn}, {"IsCameraPlaying", kFn},
    {"IsDead", kFn}, {"IsEnemy", kFn}, {"IsEqual", kFn}, {"IsEqualString", kFn},
    {"IsGreater", kFn}, {"IsInArea", kFn}, {"IsInSquare", kFn}, {"IsLess", kFn},
    {"IsNight", kFn}, {"IsPlayerInDanger", kFn}, {"IsPlayerInSafety", kFn},
    {"IsUnitBlocked", kFn}, {"IsUnitInWater", kFn}, {"IsUnitVisible", kFn},
    {"KillScript", kFn}, {"KillUnit", kFn}, {"LeaveToZone", kFn}, {"Lie", kFn}, {"Mana", kFn},
    {"MaxHP", kFn}, {"MaxMana", kFn}, {"MoveParticleSource", kFn}, {"MovePointLight", kFn},
    {"MoveToObject", kFn}, {"MoveToPoint", kFn}, {"Mul", kFn}, {"Not", kFn}, {"NULL", kKey},
    {"object", kType}, {"PlayAnimation", kFn}, {"PlayCamera", kFn}, {"PlayerSee", kFn},
    {"PlayFX", kFn}, {"PlayMovie", kFn}, {"PlayMusic", kFn}, {"Qfinish", kFn},
    {"QObjArea", kFn}, {"QObjGetItem", kFn}, {"QObjKillGroup", kFn}, {"QObjKillUnit", kFn},
    {"QObjSeeObject", kFn}, {"QObjSeeUnit", kFn}, {"QObjUse", kFn}, {"QStart", kFn},
    {"QuestComplete", kFn}, {"Random", kFn}, {"RecalcMercBriefings", kFn},
    {"RedeployParty", kFn}, {"RemoveObject", kFn}, {"RemoveObjectFromServer", kFn},
    {"RemoveParty", kFn}, {"RemoveQuestItem", kFn}, {"RemoveUnitFromControl", kFn},
    {"RemoveUnitFromParty", kFn}, {"RemoveUnitFromServer", kFn}, {"ResetTarget", kFn},
    {"Rest", kFn}, {"RotateTo", kFn}, {"Run", kFn}, {"RunWorldTime", kFn}, {"Script", kKey},
    {"SendEvent", kFn}, {"SendStringEvent", kFn}, {"Sentry", kFn}, {"SetBackgroudColor", kFn},
    {"SetCameraOrientation", kFn}, {"SetCameraPosition", kFn}, {"SetCP", kFn},
    {"SetCPFast", kFn}, {"SetCurrentParty", kFn}, {"SetDiplomacy", kFn},
    {"SetDirectionToObject", kFn}, {"SetEnemy", kFn}, {"SetParticleSourceSize", kFn},
    {"SetPlayer", kFn}, {"SetPlayerAggression", kFn}, {"SetScience", kFn},
    {"SetSpellAggression", kFn}, {"SetSunLight", kFn}, {"SetWaterLevel", kFn},
    {"SetWind", kFn}, {"ShowBitmap", kFn}, {"ShowCredits", kFn}, {"Sleep", kFn},
    {"SleepUntil", kFn}, {"SleepUntilIdle", kFn}, {"Standt", kFn}, {"StartAnimation", kFn},
    {"string", kType}, {"Sub", kFn}, {"Sum", kFn}, {"SwitchLeverState", kFn},
    {"SwitchLeverStateEx", kFn}, {"then", kKey}, {"UMAg", kFn}, {"UMAggression", kFn},
    {"UMClear", kFn}, {"UMCorpseWatcher", kFn}, {"UMFear", kFn}, {"UMFollow", kFn},
    {"UMGuard", kFn}, {"UMGuardEx", kFn}, {"UMPatrol", kFn}, {"UMPatrolAddPoint", kFn},
    {"UMPatrolAddPointLook", kFn}, {"UMPatrolClear", kFn}, {"UMPlayer", kFn},
    {"UMRevenge", kFn}, {"UMSentry", kFn}, {"UMStandard", kFn}, {"UMSuspection", kFn},
    {"UnitInSquare", kFn}, {"UnitSee", kFn}, {"WaitEndAnimation", kFn}, {"WaitSegment", kFn},
    {"Walk", kFn}, {"WasLooted", kFn}, {"WorldScript", kKey},
};
constexpr std::size_t kKeywordCount = std::size(kKeywords);

// The lookup hashes a letter run to the sum of its letter values. The longest
// keyword sums to 291, so 292 slots hold every keyword and any larger sum is no
// keyword at all. Each slot lists its keywords as a range of a flat index array,
// built at compile time: no allocation, no start-up work.
constexpr int kSlotCount = 292;

constexpr int HashOf(std::string_view word) {
  int sum = 0;
  for (char c : word) sum += LetterValue(static_cast<unsigned char>(c));
  return sum;
}

struct KeywordTable {
  std::array<std::uint16_t, kSlotCount + 1> slotStart{};  // slot s: [slotStart[s], slotStart[s+1])
  std::array<std::uint8_t, kKeywordCount> keyword{};      // indices into kKeywords
};

constexpr KeywordTable BuildTable() {
  KeywordTable table;
  std::array<std::uint16_t, kSlotCount> count{};
  for (const auto& k : kKeywords) ++count[std::size_t(HashOf(k.name))];
  for (int s = 0; s < kSlotCount; ++s)
    table.slotStart[std::size_t(s) + 1] = std::uint16_t(table.slotStart[std::size_t(s)] + count[std::size_t(s)]);
  std::array<std::uint16_t, kSlotCount> fill{};
  for (std::size_t i = 0; i < kKeywordCount; ++i) {
    const auto slot = std::size_t(HashOf(kKeywords[i].name));
    table.keyword[table.slotStart[slot] + fill[slot]++] = std::uint8_t(i);
  }
  return table;
}

constexpr KeywordTable kTable = BuildTable();

static_assert(kKeywordCount == 224);

}  // namespace

std::span<const TZoneScriptKeyword> ZoneScriptKeywords() { return kKeywords; }

TtkTokenKind LookUpKeyword(const unsigned char* run, std::size_t length, int hash) {
  if (hash >= kSlotCount) return TtkTokenKind::tkIdentifier;
  const auto slot = std::size_t(hash);
  for (std::size_t e = kTable.slotStart[slot]; e < kTable.slotStart[slot + 1]; ++e) {
    const TZoneScriptKeyword& k = kKeywords[kTable.keyword[e]];
    if (k.name.size() != length) continue;
    // Both sides hold letters and underscores only, where setting bit 5 folds
    // the case and leaves every other character distinct.
    std::size_t i = 0;
    while (i < length && (run[i] | 0x20) == (static_cast<unsigned char>(k.name[i]) | 0x20)) ++i;
    if (i == length) return k.kind;
  }
  return TtkTokenKind::tkIdentifier;
}

}  // namespace kelvarin
