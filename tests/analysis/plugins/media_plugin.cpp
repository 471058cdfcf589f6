// SPDX-License-Identifier: GPL-3.0-or-later
// A media-information plug-in as a third party would write one: it exports pgnMediaInfo and
// knows nothing of the program but the message protocol and the AudioInfo layout.
// "*.TST" files hold "title\nartist\nseconds\n"; a file whose name contains "throw" makes the
// extract message throw.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

struct Info {  // the 32-byte AudioInfo
  uint32_t format;
  uint16_t channels, track, bpm, year;
  uint32_t duration, sampleRate;
  int32_t bitrate;
  char* texts;
};
struct TextRequest {
  char16_t* buffer;
  uint32_t capacity;
};
struct ExtractRequest {
  const char16_t* path;
  Info* info;
};
struct Instance {
  std::u16string parameters;
};

int g_instances = 0;

void Copy(std::u16string_view text, void* data) {
  auto* request = static_cast<TextRequest*>(data);
  size_t n = text.size() < request->capacity - 1 ? text.size() : request->capacity - 1;
  text.copy(request->buffer, n);
  request->buffer[n] = 0;
}

// Paths in the tests are ASCII.
std::string Narrow(const char16_t* path) {
  std::string out;
  for (; *path; ++path) out.push_back(static_cast<char>(*path));
  return out;
}

intptr_t Extract(const ExtractRequest& request) {
  const std::string path = Narrow(request.path);
  if (path.find("throw") != std::string::npos) throw std::runtime_error("cannot read");
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return 0;
  char title[256] = {}, artist[256] = {};
  unsigned seconds = 0;
  const int fields = std::fscanf(file, "%255[^\n]\n%255[^\n]\n%u", title, artist, &seconds);
  std::fclose(file);
  if (fields != 3) return 0;
  // Type, genre, title, artist, album, comment, then one more zero.
  const std::string type = "TST";
  std::string block = type + '\0' + '\0' + title + '\0' + artist + '\0' + '\0' + '\0' + '\0';
  char* texts = static_cast<char*>(std::malloc(block.size()));
  std::memcpy(texts, block.data(), block.size());
  *request.info = Info{0, 2, 0, 0, 0, seconds, 0, 0, texts};
  return 1;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) intptr_t pgnMediaInfo(uint32_t message, intptr_t handle,
                                                                         void* data) {
  switch (message) {
    case 1: {
      ++g_instances;
      auto* instance = new Instance;
      if (data) instance->parameters = static_cast<const char16_t*>(data);
      return reinterpret_cast<intptr_t>(instance);
    }
    case 2:
      --g_instances;
      delete reinterpret_cast<Instance*>(handle);
      return 0;
    case 3:
      Copy(u"*.TST", data);
      return 0;
    case 4:
      Copy(reinterpret_cast<Instance*>(handle)->parameters == u"named" ? u"Named Test" : u"Test Media Info",
           data);
      return 0;
    case 5:
      return Extract(*static_cast<ExtractRequest*>(data));
    case 10:
      return 1;
    case 11: {  // {parent window, parameters buffer, capacity}: a "dialog" that appends "+set"
      struct DialogRequest {
        void* parent;
        char16_t* buffer;
        uint32_t capacity;
      };
      auto* request = static_cast<DialogRequest*>(data);
      std::u16string text = std::u16string(request->buffer) + u"+set";
      TextRequest target{request->buffer, request->capacity};
      Copy(text, &target);
      return 0;
    }
    default:
      return -1;
  }
}

// For the tests: instances opened and not yet closed.
extern "C" __attribute__((visibility("default"))) int TestMediaInstances() { return g_instances; }
