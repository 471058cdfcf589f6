// tarnq-cli: the command-line front end of Twinsong.
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr const char* kUsage =
    "Usage: tarnq-cli [--version] [--help]\n"
    "\n"
    "Twinsong finds duplicate music files by artist, title, playing time and other fields.\n"
    "\n"
    "Options:\n"
    "  --version   print the version and exit\n"
    "  --help      print this help and exit\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::string_view arg = argv[1];
  if (arg == "--version") {
    std::printf("tarnq-cli (Twinsong) %s\n", TARNQ_VERSION);
    return 0;
  }
  if (arg == "--help" || arg == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::fprintf(stderr, "tarnq-cli: unknown option or command '%s'\nTry 'tarnq-cli --help'.\n", argv[1]);
  return 2;
}
