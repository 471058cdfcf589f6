// SPDX-License-Identifier: GPL-3.0-or-later
// tarnq-cli: the command-line front end of Twinsong.
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "platform/environment.h"
#include "platform/temp_journal.h"
#include "platform/terminal.h"
#include "platform/text.h"

namespace {

constexpr tarnq::cli::Command kCommands[] = {
    {"find", "search folders for duplicate music files", tarnq::cli::RunFind},
    {"info", "analyse audio files and print their properties and tags", tarnq::cli::RunInfo},
    {"load", "read a saved result list; select, act on, save or export it", tarnq::cli::RunLoad},
#if TARNQ_WITH_PLAYER
    {"play", "play an audio file on the sound device, or render it into a WAV file (--output X.wav)",
     tarnq::cli::RunPlay},
#endif
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
#if !TARNQ_WITH_PLAYER
  std::fputs("  (no 'play': this build has no player)\n", out);
#endif
  std::fputs(
      "\n"
      "Options:\n"
      "  --version   print the version and exit\n"
      "  -h, --help  print this help and exit\n"
      "\n"
      "'tarnq-cli help COMMAND' or 'tarnq-cli COMMAND --help' describes a command. Options take\n"
      "their value as '--opt value' or '--opt=value'.\n"
      "\n"
      "Exit status: 0 done; 1 something failed or a file was skipped as unreadable; 2 usage error;\n"
      "130 after Ctrl-C, 143 after SIGTERM (both stop after the current file).\n",
      out);
}

// "--opt=value" is the same as "--opt value" (up to a "--" that ends the options). `storage` keeps
// the split texts alive.
std::vector<char*> SplitOptionValues(int argc, char** argv, std::vector<std::string>& storage) {
  std::vector<char*> args;
  storage.reserve(static_cast<size_t>(argc) * 2);
  bool optionsEnded = false;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") optionsEnded = true;
    const size_t equals = arg.find('=');
    if (optionsEnded || !arg.starts_with("--") || equals == std::string_view::npos || equals == 2) {
      args.push_back(argv[i]);
      continue;
    }
    storage.emplace_back(arg.substr(0, equals));
    args.push_back(storage.back().data());
    storage.emplace_back(arg.substr(equals + 1));
    args.push_back(storage.back().data());
  }
  return args;
}

}  // namespace

int main(int argc, char** argv) {
  // The arguments as file-name bytes whatever the system hands over (Windows: its wide command line).
  std::vector<std::string> arguments = tarnq::platform::CommandLineArguments(argc, argv);
  std::vector<char*> argumentPointers;
  for (std::string& argument : arguments) argumentPointers.push_back(argument.data());
  argumentPointers.push_back(nullptr);
  argc = static_cast<int>(arguments.size());
  argv = argumentPointers.data();
  // A closed standard output (`| head`) must not end the process in the middle of an action.
  tarnq::platform::IgnoreBrokenPipe();
  tarnq::platform::UseUtf8Output();
  tarnq::platform::PrepareTextServices();
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
  if (arg == "help") {
    // "tarnq-cli help COMMAND" is "tarnq-cli COMMAND --help".
    if (argc < 3) {
      PrintUsage(stdout);
      return 0;
    }
    for (const auto& command : kCommands) {
      if (std::string_view(argv[2]) == command.name) {
        char help[] = "--help";
        char* args[] = {help};
        return command.run(std::span<char*>(args, 1));
      }
    }
    std::fprintf(stderr, "tarnq-cli: unknown command '%s'\nTry 'tarnq-cli --help'.\n", argv[2]);
    return 2;
  }
  for (const auto& command : kCommands) {
    if (arg == command.name) {
      // Temporary files of copies and saves that an earlier run could not finish (killed, crashed).
      tarnq::platform::RemoveLeftoverTemporaryFiles();
      std::vector<std::string> storage;
      std::vector<char*> args = SplitOptionValues(argc - 2, argv + 2, storage);
      int status = command.run(std::span<char*>(args.data(), args.size()));
      // Output that could not be written (a closed pipe, a full disk) is a failure.
      if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && status == 0) status = 1;
      // An interrupt tells the shell which signal it was, as if it had ended the process.
      if (const int interrupted = tarnq::platform::InterruptExitStatus()) status = interrupted;
      return status;
    }
  }
#if !TARNQ_WITH_PLAYER
  if (arg == "play") {
    std::fputs("tarnq-cli: 'play' is not available: this build has no player\n", stderr);
    return 2;
  }
#endif
  std::fprintf(stderr, "tarnq-cli: unknown option or command '%s'\nTry 'tarnq-cli --help'.\n",
               tarnq::cli::EscapedBytes(argv[1]).c_str());
  return 2;
}
