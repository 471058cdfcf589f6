// tarnq-cli: the command-line front end of Twinsong.
#include <cstdio>
#include <span>
#include <string_view>

#include "cli/commands.h"

namespace {

constexpr tarnq::cli::Command kCommands[] = {
    {"find", "search folders for duplicate music files", tarnq::cli::RunFind},
    {"info", "analyse audio files and print their properties and tags", tarnq::cli::RunInfo},
    {"load", "read a saved result list; select, act on, save or export it", tarnq::cli::RunLoad},
    {"similarity", "print the similarity percentage of two texts", tarnq::cli::RunSimilarity},
    {"preset", "show what a preset file holds (preset show FILE.tnq)", tarnq::cli::RunPreset},
};

void PrintUsage(FILE* out) {
  std::fputs(
      "Usage: tarnq-cli [--version] [--help] COMMAND [ARGS...]\n"
      "\n"
      "Twinsong finds duplicate music files by artist, title, playing time and other fields.\n"
      "\n"
      "Commands:\n",
      out);
  for (const auto& command : kCommands) {
    std::fprintf(out, "  %-12s%.*s\n", command.name.data(), static_cast<int>(command.summary.size()),
                 command.summary.data());
  }
  std::fputs(
      "\n"
      "Options:\n"
      "  --version   print the version and exit\n"
      "  --help      print this help and exit\n"
      "\n"
      "'tarnq-cli COMMAND --help' describes a command.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stdout);
    return 0;
  }
  std::string_view arg = argv[1];
  if (arg == "--version") {
    std::printf("tarnq-cli (Twinsong) %s\n", TARNQ_VERSION);
    return 0;
  }
  if (arg == "--help" || arg == "-h") {
    PrintUsage(stdout);
    return 0;
  }
  for (const auto& command : kCommands) {
    if (arg == command.name) {
      return command.run(std::span<char*>(argv + 2, static_cast<size_t>(argc - 2)));
    }
  }
  std::fprintf(stderr, "tarnq-cli: unknown option or command '%s'\nTry 'tarnq-cli --help'.\n", argv[1]);
  return 2;
}
