#include "app/core/scriptmodule.h"

#include <dlfcn.h>

#include "common/programmodule.h"
#include "python/scriptrunmodule.h"

namespace kelvarin {

TScriptModulePlace ScriptModulePlace() {
#ifdef KELVARIN_PYTHON_LIBRARY
  return {KELVARIN_PYTHON_LIBRARY, KELVARIN_PYTHON_RUN_MODULE, KELVARIN_PYTHON_RUN_MODULE_DIR};
#else
  return {};
#endif
}

TScriptModuleLoad LoadScriptModule(const TScriptModulePlace& place) {
  if (place.module.empty())
    return {nullptr, "собрано без Python", "Эта сборка редактора сделана без поддержки сценариев Python."};
  if (!dlopen(place.pythonLibrary.c_str(), RTLD_NOW | RTLD_GLOBAL)) {
    const char* why = dlerror();
    return {nullptr, "нет Python: " + place.pythonLibrary,
            "Python не установлен: библиотека " + place.pythonLibrary + " не загружается (" +
                (why ? why : "") + "). Установите пакет Python этой версии."};
  }
  const auto module = FindProgramModule(place.module, place.installedFolder);
  if (module.empty())
    return {nullptr, "нет модуля " + place.module,
            "Модуль сценариев " + place.module + " не найден ни рядом с программой, ни в " + place.installedFolder +
                "."};
  void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  void* entry = handle ? dlsym(handle, kScriptRunnerSymbol) : nullptr;
  if (!entry) {
    const char* why = dlerror();
    return {nullptr, "модуль " + place.module + " не загружается",
            "Модуль сценариев не загружается: " + std::string(why ? why : module.string())};
  }
  return {&reinterpret_cast<ScriptRunnerFunction>(entry)(), {}, {}};
}

}  // namespace kelvarin
