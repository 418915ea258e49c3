// The module kelvarin-python-run: Python embedded in the editor. The interpreter
// starts with the first script, on a thread of its own that runs every script
// after it; the window's interruption is an exception given to that thread. The
// kelvarin package is the same as the one imported outside the editor: its
// compiled half is made here from the same bindings, and its Python half is
// compiled in.
#include <pybind11/embed.h>
#include <pybind11/pybind11.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "python/diffbind.h"
#include "python/recordbind.h"
#include "python/scriptrunmodule.h"
#include "python/zonebind.h"
#include "python/zonehandle.h"
#include "kelvarin_init_source.h"

namespace kelvarin {
namespace {

namespace py = pybind11;
using namespace pybind11::literals;

// sys.stdout and sys.stderr while a script runs: whole lines go to the editor.
constexpr const char* kLineWriterSource = R"py(
class LineWriter:
    encoding = "utf-8"
    errors = "strict"

    def __init__(self, emit):
        self._emit = emit
        self._pending = ""

    def write(self, text):
        if not isinstance(text, str):
            raise TypeError(f"write() argument must be str, not {type(text).__name__}")
        lines = (self._pending + text).split("\n")
        self._pending = lines.pop()
        for line in lines:
            self._emit(line)
        return len(text)

    def flush(self):
        pass

    def isatty(self):
        return False

    def writable(self):
        return True

    def finish(self):
        if self._pending:
            self._emit(self._pending)
            self._pending = ""
)py";

// The kelvarin package as `import kelvarin` finds it inside the editor.
py::module_ MakePackage() {
  py::module_ sys = py::module_::import("sys");
  static py::module_::module_def coreDef;
  py::module_ core = py::module_::create_extension_module("kelvarin._core", nullptr, &coreDef);
  // The classes are known by the package's name, as in the module built alone.
  core.attr("__name__") = "kelvarin";
  BindRecords(core);
  BindZone(core);
  BindDiff(core);
  core.attr("__name__") = "kelvarin._core";
  py::module_ package = py::module_::import("types").attr("ModuleType")("kelvarin");
  package.attr("__path__") = py::list();
  package.attr("__package__") = "kelvarin";
  py::dict modules = sys.attr("modules");
  modules["kelvarin"] = package;
  modules["kelvarin._core"] = core;
  py::exec(kKelvarinInitSource, package.attr("__dict__"));
  package.attr("document") = py::none();
  return package;
}

class TInterpreter final : public TScriptRunner {
 public:
  TScriptOutcome Run(const TScriptRunRequest& request) override {
    std::unique_lock lock(m_mutex);
    if (!std::exchange(m_started, true)) {
      // It serves until the process ends.
      std::thread([this] { Serve(); }).detach();
    }
    m_request = &request;
    m_done = false;
    m_wake.notify_all();
    m_wake.wait(lock, [this] { return m_done; });
    return m_outcome;
  }

  void Interrupt() override {
    if (!m_running) return;
    m_interruptWanted = true;
    // Python tells a thread of an exception only under its lock, which the
    // script holds while it runs: a thread of its own waits for it (a few
    // milliseconds while Python code runs), so the window never does.
    std::thread([this] {
      py::gil_scoped_acquire locked;
      // A request that came as the script ended is none.
      if (m_running && m_interruptWanted) PyThreadState_SetAsyncExc(m_scriptThread, PyExc_KeyboardInterrupt);
    }).detach();
  }

 private:
  void Serve() {
    // The editor keeps its own signal handlers.
    py::initialize_interpreter(false);
    m_scriptThread = PyThread_get_thread_ident();
    py::module_ package;
    std::string startFailure;
    try {
      package = MakePackage();
      py::dict globals;
      py::exec(kLineWriterSource, globals);
      m_lineWriter = globals["LineWriter"];
    } catch (const std::exception& e) {
      startFailure = e.what();
    }
    py::gil_scoped_release unlocked;
    for (;;) {
      std::unique_lock lock(m_mutex);
      m_wake.wait(lock, [this] { return m_request && !m_done; });
      const TScriptRunRequest& request = *m_request;
      lock.unlock();
      TScriptOutcome outcome = TScriptOutcome::Failed;
      {
        py::gil_scoped_acquire locked;
        if (!startFailure.empty()) request.output("Python could not set up the kelvarin package: " + startFailure);
        else outcome = RunScript(request, package);
      }
      lock.lock();
      m_request = nullptr;
      m_outcome = outcome;
      m_done = true;
      m_wake.notify_all();
    }
  }

  TScriptOutcome RunScript(const TScriptRunRequest& request, py::module_& package) {
    py::module_ sys = py::module_::import("sys");
    const py::str path = py::module_::import("os").attr("fsdecode")(py::bytes(request.scriptPath));
    py::object writer =
        m_lineWriter(py::cpp_function([&request](const std::string& line) { request.output(line); }));
    const py::object savedOut = sys.attr("stdout"), savedErr = sys.attr("stderr"), savedIn = sys.attr("stdin");
    const py::object savedArgv = sys.attr("argv"), savedPath = sys.attr("path").attr("copy")();
    sys.attr("stdout") = writer;
    sys.attr("stderr") = writer;
    // Nobody can type into a script the editor runs: input() ends at once.
    sys.attr("stdin") = py::module_::import("io").attr("StringIO")();
    py::list argv;
    argv.append(path);
    sys.attr("argv") = argv;
    // The script imports its neighbours, as when it is run from a shell.
    sys.attr("path").attr("insert")(0, py::module_::import("os.path").attr("dirname")(
                                           py::module_::import("os.path").attr("abspath")(path)));
    auto handle = std::make_shared<TZoneHandle>(*request.document);
    package.attr("document") = py::cast(handle);

    TScriptOutcome outcome = TScriptOutcome::Finished;
    m_interruptWanted = false;
    m_running = true;
    try {
      py::module_::import("runpy").attr("run_path")(path, "run_name"_a = "__main__");
      StopInterrupts();
    } catch (py::error_already_set& e) {
      StopInterrupts();
      outcome = Failure(e, path, writer);
    }
    writer.attr("finish")();
    handle->Release("the script run that was given kelvarin.document has ended: the editor's document can no "
                    "longer be reached through it");
    package.attr("document") = py::none();
    sys.attr("stdout") = savedOut;
    sys.attr("stderr") = savedErr;
    sys.attr("stdin") = savedIn;
    sys.attr("argv") = savedArgv;
    sys.attr("path") = savedPath;
    return outcome;
  }

  // Under the interpreter's lock, so that no interruption is given from now on;
  // one given as the script ended, and not raised yet, is dropped.
  void StopInterrupts() {
    m_running = false;
    PyThreadState_SetAsyncExc(m_scriptThread, nullptr);
  }

  // What became of a script that raised: sys.exit(0) is an ending like any other;
  // anything else is told with its traceback from the script's own frames on.
  TScriptOutcome Failure(py::error_already_set& e, const py::str& path, py::object& writer) {
    if (e.matches(PyExc_SystemExit)) {
      const py::object code = e.value().attr("code");
      if (code.is_none() || (py::isinstance<py::int_>(code) && code.cast<long long>() == 0))
        return TScriptOutcome::Finished;
    }
    const bool interrupted = e.matches(PyExc_KeyboardInterrupt) && m_interruptWanted;
    py::object trace = e.trace();
    // The frames of runpy above the script say nothing to its author.
    py::object frame = trace;
    while (!frame.is_none() && !path.equal(frame.attr("tb_frame").attr("f_code").attr("co_filename")))
      frame = frame.attr("tb_next");
    if (!frame.is_none()) trace = frame;
    const py::list lines =
        py::module_::import("traceback").attr("format_exception")(e.type(), e.value(), trace);
    writer.attr("finish")();
    for (const py::handle text : lines) writer.attr("write")(text);
    return interrupted ? TScriptOutcome::Interrupted : TScriptOutcome::Failed;
  }

  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_started = false;
  const TScriptRunRequest* m_request = nullptr;
  TScriptOutcome m_outcome = TScriptOutcome::Finished;
  bool m_done = false;
  unsigned long m_scriptThread = 0;  // the interpreter's thread, which runs every script
  std::atomic<bool> m_running = false;
  std::atomic<bool> m_interruptWanted = false;
  py::object m_lineWriter;  // the class; set once the interpreter has started
};

}  // namespace
}  // namespace kelvarin

extern "C" __attribute__((visibility("default"))) kelvarin::TScriptRunner& kelvarin_python_run_v1() {
  // Never destroyed: the interpreter's thread serves until the process ends.
  static auto* runner = new kelvarin::TInterpreter;
  return *runner;
}
