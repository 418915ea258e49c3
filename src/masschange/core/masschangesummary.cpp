#include "masschange/core/masschangesummary.h"

#include <numeric>

namespace kelvarin {
namespace {

// The kinds as the summary names them, in kind order.
constexpr const char* kKindLabels[kObjKindCount] = {
    "юнитов", "объектов", "рычагов", "ловушек", "флеймов", "партиклов 1-го типа", "2-го", "3-го",
};
// A particle kind named first spells out what it is.
constexpr const char* kParticleLabels[3] = {"партиклов 1-го типа", "партиклов 2-го типа", "партиклов 3-го типа"};

void AppendCount(std::string& text, const char* label, std::size_t count) {
  if (count == 0) return;
  if (!text.empty()) text += ", ";
  text += label;
  text += ' ';
  text += std::to_string(count);
}

}  // namespace

std::size_t TMassChangeCounts::Selected() const {
  return std::accumulate(selected.begin(), selected.end(), std::size_t{0});
}

std::string MassChangeSummaryLine(const TMassChangeCounts& counts) {
  if (counts.Selected() == 0) return "Итог: под критерии не попал ни один объект.";
  std::string kinds;
  bool particleNamed = false;  // "2-го" and "3-го" lean on a "партиклов ..." before them
  for (int k = 0; k < kObjKindCount; ++k) {
    if (counts.selected[k] == 0) continue;
    const bool particle = k >= int(ObjKind::Particle1);
    AppendCount(kinds, particle && !particleNamed ? kParticleLabels[k - int(ObjKind::Particle1)] : kKindLabels[k],
                counts.selected[k]);
    particleNamed = particleNamed || particle;
  }
  std::string actions;
  AppendCount(actions, "изменено", counts.changed);
  AppendCount(actions, "удалено", counts.deleted);
  AppendCount(actions, "скопировано", counts.copied);
  AppendCount(actions, "заменено в целевом мобе", counts.replacedInTarget);
  std::string line = "Итог: отобрано " + std::to_string(counts.Selected()) + " (" + kinds + ")";
  if (!actions.empty()) line += "; " + actions;
  return line + ".";
}

}  // namespace kelvarin
