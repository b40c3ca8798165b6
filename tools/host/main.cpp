// quillon-host: a console host for the Quillon plug-in. It loads the plug-in
// at run time, talks to it only through its exports and slots, and runs
// lines of calls and commands from a script, from -c or at a prompt.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>

#include "options.h"
#include "os.h"
#include "plugin.h"
#include "printer.h"
#include "script.h"

namespace {

using namespace quillon_host;

constexpr int kBadCommandLine = 2;
constexpr int kPluginNotLoaded = 3;

int Run(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "quillon-host: %s\n%s", error.c_str(), kUsage);
    return kBadCommandLine;
  }
  if (options.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.version) {
    std::fputs("quillon-host " QUILLON_VERSION "\n", stdout);
    return 0;
  }
  std::ifstream file;
  if (!options.script.empty() && options.script != "-") {
    file.open(options.script, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "quillon-host: cannot read the script %s\n", options.script.c_str());
      return kBadCommandLine;
    }
  }
  const InputRules input{options.utf8Input.value_or(LocaleIsUtf8()), options.escapes,
                         options.tableEncoding};
  PrepareStandardStreams(options.raw, input.utf8);

  const std::string path = options.plugin.empty() ? DefaultPluginPath() : options.plugin;
  std::unique_ptr<Library> library = OpenLibrary(path, error);
  if (library == nullptr) {
    std::fprintf(stderr, "quillon-host: cannot load the plug-in %s: %s\n", path.c_str(),
                 error.c_str());
    return kPluginNotLoaded;
  }
  Plugin plugin(std::move(library));
  const Printer printer(options.raw, options.tableEncoding);
  Interpreter interpreter(plugin, printer, {options.keepGoing, options.echo, input});

  if (file.is_open()) return interpreter.RunScript(file, options.script);
  if (!options.commands.empty()) {
    std::string lines;
    for (const std::string& text : options.commands) lines += text + "\n";
    std::istringstream input(lines);
    return interpreter.RunScript(input, "-c");
  }
  if (options.script.empty() && StandardInputIsTerminal()) {
    return interpreter.RunInteractive(std::cin);
  }
  return interpreter.RunScript(std::cin, "stdin");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& trouble) {
    std::fprintf(stderr, "quillon-host: %s\n", trouble.what());
  } catch (...) {
    std::fprintf(stderr, "quillon-host: an unknown error\n");
  }
  return 1;
}
