#include "check/zonecheck.h"

#include "check/recordchecks.h"
#include "check/scriptchecks.h"
#include "mob/tmob.h"

namespace kelvarin {

TCheckSeverity TCheckFinding::Severity() const {
  switch (fault) {
    case TCheckFault::ZeroRotation:
    case TCheckFault::NonFiniteRotation:
    case TCheckFault::UnknownCall: return TCheckSeverity::Warning;
    default: return TCheckSeverity::Error;
  }
}

std::string_view TCheckFinding::Code() const {
  switch (fault) {
    case TCheckFault::DuplicateId: return check_code::DuplicateId;
    case TCheckFault::NonFiniteCoordinates: return check_code::NonFiniteCoordinates;
    case TCheckFault::ZeroRotation: return check_code::ZeroRotation;
    case TCheckFault::NonFiniteRotation: return check_code::NonFiniteRotation;
    case TCheckFault::DanglingId: return check_code::DanglingId;
    case TCheckFault::DanglingName: return check_code::DanglingName;
    case TCheckFault::ExtraBracket:
    case TCheckFault::UnclosedBracket: return check_code::UnbalancedBracket;
    case TCheckFault::ExtraBrace:
    case TCheckFault::UnclosedBrace: return check_code::UnbalancedBrace;
    case TCheckFault::UnterminatedString: return check_code::UnterminatedString;
    case TCheckFault::UnknownCall: return check_code::UnknownCall;
  }
  return {};
}

void TCheckTotals::Add(const TCheckFinding& finding) {
  (finding.Severity() == TCheckSeverity::Error ? errors : warnings) += finding.omitted > 0 ? finding.omitted : 1;
}

TZoneCheck::TZoneCheck(const TMob& mob, std::string_view script)
    : m_records(std::make_unique<TRecordCheck>(mob)),
      m_script(std::make_unique<TScriptCheck>(mob, script, m_records->Identities())) {}

TZoneCheck::TZoneCheck(const TMob& mob)
    : TZoneCheck(mob, mob.HasScript ? std::string_view(mob.ScriptText) : std::string_view()) {}

TZoneCheck::~TZoneCheck() = default;

void TZoneCheck::Run(const TFindingSink& found) const {
  m_script->Run(found);
  m_records->Run(found);
}

TCheckTotals TZoneCheck::Count() const {
  TCheckTotals totals;
  Run([&](const TCheckFinding& f) { totals.Add(f); });
  return totals;
}

std::string TZoneCheck::Message(const TCheckFinding& finding) const {
  if (finding.omitted > 0) return "… и ещё " + std::to_string(finding.omitted) + " таких же";
  if (std::holds_alternative<TObjRef>(finding.place)) return m_records->Message(finding);
  return TScriptCheck::Message(finding);
}

}  // namespace kelvarin
