// qorva: checks holder report files and seals them into envelopes from the command line.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli_session.h"
#include "command.h"
#include "platform.h"
#include "version.h"

namespace qorva::cli {
namespace {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

const Command* FindCommand(const std::string& name) {
  for (const Command& c : Commands())
    if (name == c.name) return &c;
  return nullptr;
}

// "qorva: error: <message>" and where to read more, on stderr.
int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "qorva: error: %s\n", PrintableMessage(message).c_str());
  if (command.empty())
    std::fprintf(stderr, "Run 'qorva --help' for usage.\n");
  else
    std::fprintf(stderr, "Run 'qorva %s --help' for usage.\n", command.c_str());
  return kExitUsage;
}

int Main(int argc, char** argv) {
  CLI::App app("Checks holder report files and seals them into envelopes.", "qorva");
  app.set_help_flag("-h,--help", "show this help and exit");
  bool version = false;
  app.add_flag("-V,--version", version, "show the version and exit");
  app.require_subcommand(0, 1);
  app.allow_windows_style_options(false);  // "/data/r.txt" is a file on Windows too
  app.footer(
      "Run 'qorva COMMAND --help' for a command's options and exit statuses.\n"
      "\n"
      "Exit status:\n"
      "  0   success\n"
      "  1   some report fails: nothing to encrypt\n"
      "  2   the file was rejected, could not be read, or the command failed\n"
      "  64  bad command line\n"
      "  130 interrupted");
  app.get_formatter()->column_width(24);

  std::vector<std::pair<CLI::App*, CommandRun>> runs;
  for (const Command& c : Commands()) {
    CLI::App* sub = app.add_subcommand(c.name, c.summary);
    sub->set_help_flag("-h,--help", "show this help and exit");
    sub->footer(c.footer);
    runs.emplace_back(sub, c.setup(*sub));
  }

  if (argc < 2) {
    std::fputs(app.help().c_str(), stderr);
    return kExitUsage;
  }
  const std::string first = argv[1];
  if (first == "help") {
    std::fputs(app.help().c_str(), stdout);
    return kExitOk;
  }
  const Command* named = FindCommand(first);
  if (!named && !first.empty() && first[0] != '-')
    return UsageError("", "unknown command '" + first + "'");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    return UsageError(named ? named->name : "", e.what());
  }
  if (version) {
    std::printf("qorva %s\n%s\n", QORVA_VERSION, QORVA_COPYRIGHT);
    return kExitOk;
  }
  for (auto& [sub, run] : runs)
    if (sub->parsed()) return run();
  return UsageError("", "no command given");
}

}  // namespace

const std::vector<Command>& Commands() { return Registry(); }

CommandRegistrar::CommandRegistrar(const Command& command) {
  auto& commands = Registry();
  auto at = commands.begin();
  while (at != commands.end() && std::string(at->name) < command.name) ++at;
  commands.insert(at, command);
}

}  // namespace qorva::cli

int main(int argc, char** argv) {
  using namespace qorva::cli;
  qorva::platform::UntranslatedStandardStreams();
  std::vector<std::string> args = qorva::platform::Utf8Arguments(argc, argv);
  std::vector<char*> utf8;
  for (std::string& a : args) utf8.push_back(a.data());
  utf8.push_back(nullptr);
  try {
    const int status = Main(argc, utf8.data());
    // A full disk must not pass for a complete report.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
      std::fprintf(stderr, "qorva: error: cannot write the output\n");
      return kExitRejected;
    }
    return status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qorva: error: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "qorva: error: unexpected failure\n");
  }
  return kExitRejected;
}
