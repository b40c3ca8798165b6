// Reading the host's command line; see the header.
#include "options.h"

#include <string_view>

namespace quillon_host {

const char* const kUsage =
    "usage: quillon-host [options] [SCRIPT | -]\n"
    "Loads the Quillon plug-in and runs lines of calls and commands from SCRIPT,\n"
    "from -c, or from standard input (a prompt when it is a terminal).\n"
    "  --plugin PATH           the plug-in to load (default: the one beside this program)\n"
    "  -c LINES                lines to run; may be given more than once\n"
    "  --keep-going            go on after a line fails (the exit status is still 1)\n"
    "  --input-encoding ENC    how lines are written: utf-8 or cp1251 (default: as the\n"
    "                          locale has it); values reach the plug-in in Windows-1251,\n"
    "                          paths reach the file system as it spells names\n"
    "  --table-encoding ENC    the code page the table's texts are in: cp1251 (the\n"
    "                          default) or cp866; values are shown and stored in it\n"
    "  --escapes               \\n \\r \\t \\\\ and \\xHH in values stand for their bytes\n"
    "  --raw                   show the plug-in's texts as its own bytes, not as UTF-8\n"
    "  --echo                  print each line of the script before what it does\n"
    "  -h, --help              this text\n"
    "  --version               the version of Quillon this host comes with\n"
    "Exit status: 0 when every line ran, 1 when a line failed, 2 for a bad command\n"
    "line or an unreadable script, 3 when the plug-in cannot be loaded.\n"
    "Type help at the prompt, or run -c help, for the commands.\n";

namespace {

// The value of an option given as "--name value" or "--name=value".
bool TakeValue(std::string_view name, int argc, char** argv, int& at, std::string& value) {
  std::string_view arg = argv[at];
  if (arg == name) {
    if (at + 1 >= argc) return false;
    value = argv[++at];
    return true;
  }
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
  for (int at = 1; at < argc; ++at) {
    const std::string_view arg = argv[at];
    std::string value;
    if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "--keep-going") {
      options.keepGoing = true;
    } else if (arg == "--raw") {
      options.raw = true;
    } else if (arg == "--echo") {
      options.echo = true;
    } else if (arg == "--escapes") {
      options.escapes = true;
    } else if (TakeValue("--plugin", argc, argv, at, value)) {
      options.plugin = value;
    } else if (TakeValue("-c", argc, argv, at, value)) {
      options.commands.push_back(value);
    } else if (TakeValue("--input-encoding", argc, argv, at, value)) {
      const std::string encoding = Lower(value);
      options.utf8Input = encoding == "utf-8" || encoding == "utf8";
      if (!*options.utf8Input && encoding != "cp1251" && encoding != "windows-1251") {
        error = "unknown input encoding '" + value + "' (cp1251 or utf-8)";
        return false;
      }
    } else if (TakeValue("--table-encoding", argc, argv, at, value)) {
      if (!TableEncodingNamed(Lower(value), options.tableEncoding)) {
        error = "unknown table encoding '" + value + "' (cp1251 or cp866)";
        return false;
      }
    } else if (arg.starts_with("-") && arg != "-") {
      error = "unknown option '" + std::string(arg) + "' (or it lacks its value)";
      return false;
    } else if (!options.script.empty()) {
      error = "only one script may be given";
      return false;
    } else {
      options.script = arg;
    }
  }
  if (!options.script.empty() && !options.commands.empty()) {
    error = "give either -c or a script, not both";
    return false;
  }
  return true;
}

}  // namespace quillon_host
