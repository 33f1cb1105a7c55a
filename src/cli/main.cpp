// qorva: checks holder report files and seals them into envelopes from the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "version.h"

namespace qorva::cli {
namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "Usage: qorva COMMAND [ARGS]\n\nCommands:\n");
  for (const Command& c : Commands()) std::fprintf(out, "  %-8s %s\n", c.name, c.summary);
  std::fprintf(out,
               "\nRun 'qorva COMMAND --help' for a command's options.\n"
               "Options: -h, --help     show this help\n"
               "         --version      show the version\n");
}

}  // namespace

const std::vector<Command>& Commands() { return Registry(); }

CommandRegistrar::CommandRegistrar(const Command& command) {
  auto& commands = Registry();
  auto at = commands.begin();
  while (at != commands.end() && std::string(at->name) < command.name) ++at;
  commands.insert(at, command);
}

const Command* FindCommand(const std::string& name) {
  for (const Command& c : Commands())
    if (name == c.name) return &c;
  return nullptr;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "-h" || a == "--help") return true;
  return false;
}

void PrintCommandHelp(const Command& command) {
  std::printf("Usage: qorva %s %s\n%s\n\n%s", command.name, command.synopsis, command.summary,
              command.help);
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "qorva: %s\n", message.c_str());
  if (command.empty())
    std::fprintf(stderr, "Run 'qorva --help' for usage.\n");
  else
    std::fprintf(stderr, "Run 'qorva %s --help' for usage.\n", command.c_str());
  return kExitUsage;
}

}  // namespace qorva::cli

int main(int argc, char** argv) {
  using namespace qorva::cli;
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  const std::string first = argv[1];
  if (first == "-h" || first == "--help" || first == "help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (first == "--version" || first == "-V") {
    std::printf("qorva %s\n%s\n", QORVA_VERSION, QORVA_COPYRIGHT);
    return kExitOk;
  }
  const Command* command = FindCommand(first);
  if (!command) return UsageError("", "unknown command '" + first + "'");
  std::vector<std::string> args(argv + 2, argv + argc);
  if (WantsHelp(args)) {
    PrintCommandHelp(*command);
    return kExitOk;
  }
  try {
    const int status = command->run(args);
    // A full disk must not pass for a complete report.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
      std::fprintf(stderr, "qorva: cannot write the output\n");
      return kExitRejected;
    }
    return status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qorva: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "qorva: unexpected error\n");
  }
  return kExitRejected;
}
