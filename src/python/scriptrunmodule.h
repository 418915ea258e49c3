// Python scripts run inside the editor live in a module of their own,
// kelvarin-python-run, which embeds the interpreter and the kelvarin bindings. The
// editor links no Python: it loads the module (and libpython before it) only when
// the first script runs, so its start-up does not grow and it runs where no Python
// is installed. This header is all the editor and the module share.
#pragma once

#include <functional>
#include <string>

namespace kelvarin {

class TZoneOwner;

struct TScriptRunRequest {
  // The .py file, as the file system names it.
  std::string scriptPath;
  // Bound as kelvarin.document for the length of the run; what it refuses and
  // where it writes its changes down are the owner's.
  TZoneOwner* document = nullptr;
  // Each line the script prints (stdout and stderr) and, when it fails, the
  // traceback, as UTF-8 without the line break; called on the interpreter's thread.
  std::function<void(const std::string& line)> output;
};

enum class TScriptOutcome { Finished, Failed, Interrupted };

class TScriptRunner {
 public:
  virtual ~TScriptRunner() = default;
  // Runs the script and returns when it is over. Scripts run one at a time on the
  // interpreter's own thread, whichever thread asks.
  virtual TScriptOutcome Run(const TScriptRunRequest& request) = 0;
  // From any thread: the running script gets KeyboardInterrupt as soon as it runs
  // Python code again. Nothing when no script runs.
  virtual void Interrupt() = 0;
};

// The module's one exported function: the runner, which lives as long as the
// process. Its name carries the version of this interface: a module from another
// build is refused, never called wrongly.
using ScriptRunnerFunction = TScriptRunner& (*)();
inline constexpr const char* kScriptRunnerSymbol = "kelvarin_python_run_v1";

}  // namespace kelvarin
