// The editor's way to Python: the module kelvarin-python-run and the Python library
// it needs are loaded when the first script runs, never at start-up.
#pragma once

#include <string>

namespace kelvarin {

class TScriptRunner;

struct TScriptModulePlace {
  std::string pythonLibrary;  // the file name dlopen looks for ("libpython3.11.so.1.0")
  std::string module;         // the module's file name
  std::string installedFolder;  // where an installed copy keeps the module, from the program's folder
};

// Where this build's editor finds them.
TScriptModulePlace ScriptModulePlace();

struct TScriptModuleLoad {
  TScriptRunner* runner = nullptr;
  // When there is no runner: what is missing, in a few words for the menu item
  // ("нет Python 3.11: libpython3.11.so.1.0").
  std::string missing;
  // When there is no runner: the whole reason, for the log.
  std::string reason;
};

// Loads the Python library with its symbols global (the standard library's
// compiled modules look for them there), then the module; both stay loaded.
// Loading again after a success gives the same runner.
TScriptModuleLoad LoadScriptModule(const TScriptModulePlace& place);

}  // namespace kelvarin
